#include "fitresult.h"

std::vector<double> FitResult::values() const
{
    std::vector<double> v;
    for (const FitParameter &p : parameters)
        v.push_back(p.value);
    return v;
}
