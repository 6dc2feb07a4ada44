#include "HandoffXml.h"

HandoffProperties PropertiesOf(const std::wstring& xml)
{
    HandoffProperties result;
    const std::wstring open = L"<property name=\"";
    const std::wstring valueOpen = L"\"><![CDATA[";
    for (size_t pos = xml.find(open); pos != std::wstring::npos; pos = xml.find(open, pos + 1)) {
        size_t nameStart = pos + open.size();
        size_t nameEnd = xml.find(valueOpen, nameStart);
        size_t valueEnd = xml.find(L"]]></property>", nameEnd);
        if (nameEnd == std::wstring::npos || valueEnd == std::wstring::npos)
            break;
        size_t valueStart = nameEnd + valueOpen.size();
        result.emplace_back(xml.substr(nameStart, nameEnd - nameStart), xml.substr(valueStart, valueEnd - valueStart));
    }
    return result;
}

std::wstring PropertyValue(const std::wstring& xml, const std::wstring& name, const std::wstring& absent)
{
    for (const auto& property : PropertiesOf(xml))
        if (property.first == name)
            return property.second;
    return absent;
}

std::wstring ElementText(const std::wstring& xml, const std::wstring& name)
{
    size_t start = xml.find(L"<" + name + L">");
    size_t end = xml.find(L"</" + name + L">");
    if (start == std::wstring::npos || end == std::wstring::npos)
        return std::wstring();
    start += name.size() + 2;
    return xml.substr(start, end - start);
}
