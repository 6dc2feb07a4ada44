#include "TextSplit.h"

void SplitString(const std::string& text, std::vector<std::string>& tokens, const std::string& delimiters)
{
    size_t pos = 0;
    for (;;) {
        size_t end = text.find_first_of(delimiters, pos);
        tokens.push_back(text.substr(pos, end == std::string::npos ? std::string::npos : end - pos));
        if (end == std::string::npos)
            return;
        pos = text.find_first_not_of(delimiters, end);
        if (pos == std::string::npos)
            return;
    }
}

std::string TrimLeft(const std::string& text, const std::string& delimiters)
{
    size_t first = text.find_first_not_of(delimiters);
    return first == std::string::npos ? text : text.substr(first);
}

std::string TrimRight(const std::string& text, const std::string& delimiters)
{
    size_t last = text.find_last_not_of(delimiters);
    return last == std::string::npos ? text : text.substr(0, last + 1);
}
