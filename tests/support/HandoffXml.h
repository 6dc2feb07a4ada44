// Reading back what a hand-off file says: its property lines and the text of
// its single elements.
#pragma once

#include <string>
#include <utility>
#include <vector>

using HandoffProperties = std::vector<std::pair<std::wstring, std::wstring>>;

// The name and value of every property line, in file order.
HandoffProperties PropertiesOf(const std::wstring& xml);
// The value of the first property of that name; `absent` when there is none.
std::wstring PropertyValue(const std::wstring& xml, const std::wstring& name,
                           const std::wstring& absent = std::wstring());
// The text of the first element of that name; empty when there is none.
std::wstring ElementText(const std::wstring& xml, const std::wstring& name);
