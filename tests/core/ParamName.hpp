#pragma once

#include <cctype>
#include <string>

// Turns a case description into a name GoogleTest accepts for a parameter.
inline std::string ParamName(std::string description)
{
    for (char& c : description) {
        if (!std::isalnum(static_cast<unsigned char>(c))) {
            c = '_';
        }
    }
    return description;
}
