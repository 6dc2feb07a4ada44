// Small text helpers over 8-bit texts; delimiters are a set of characters.
#pragma once

#include <string>
#include <vector>

// Splits at every delimiter; a run of delimiters after a token counts as
// one, so only a leading delimiter yields an empty (first) token.
void SplitString(const std::string& text, std::vector<std::string>& tokens, const std::string& delimiters);
// Without leading (trailing) delimiters; a text of delimiters only comes
// back unchanged.
std::string TrimLeft(const std::string& text, const std::string& delimiters);
std::string TrimRight(const std::string& text, const std::string& delimiters);
