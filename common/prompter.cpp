#include "common/prompter.h"

Prompter::~Prompter() = default;
