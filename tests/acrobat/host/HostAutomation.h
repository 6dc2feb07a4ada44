// "AcroExch.App" in the test host's process, answering from the host's own
// documents, so that the plug-in's interface and its automation objects see
// the same documents, files and saves.
#pragma once

#include "acrobat/AcroAutomation.h"
#include "AcroTestHost.h"

namespace acrohost {

class HostAutomation : public doubles::AcroDocumentSource
{
public:
    explicit HostAutomation(AcroTestHost& host) : m_host(host), m_automation(*this) {}

    bool Registered() const { return m_automation.Registered(); }
    int Created() const { return m_automation.Created(); }

    int DocumentCount() override { return m_host.DocumentCount(); }
    int ActiveDocument() override { return m_host.ActiveDocument(); }
    std::string DocumentPath(int id) override { return m_host.DocumentPath(id); }
    bool IsPortfolio(int id) override { return m_host.Setup(id).portfolio; }
    std::wstring Info(int id, const std::wstring& key) override
    {
        const auto& info = m_host.Setup(id).info;
        auto it = info.find(key);
        return it == info.end() ? std::wstring() : it->second;
    }
    bool Save(int id, short type, const std::string& path) override
    {
        return m_host.SaveById(id, static_cast<uint16_t>(type), path);
    }

private:
    AcroTestHost& m_host;
    doubles::AcroAutomation m_automation;
};

} // namespace acrohost
