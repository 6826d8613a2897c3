#include "app/prompter.h"

Prompter::~Prompter() = default;
