// Document names in a double-byte ANSI code page, where the second byte of a
// character may have the value of "\": the plug-in linked into this program,
// bound to the test host, run with Japanese (932) as the ANSI code page.
#include "OstrelleTestSupport.h"

#include "ArchiveCommands.h"
#include "HostBinding.h"

using namespace acrohost;

namespace {

class OstrelleDoubleByteNames : public OstrelleHostTest
{
};

TEST_F(OstrelleDoubleByteNames, NameWhoseSecondByteLooksLikeABackslashStaysWhole)
{
    ASSERT_EQ(932u, GetACP()) << "the test runs with LC_ALL=ja_JP.UTF-8";
    ASSERT_EQ(LOAD_OK, host->AttachLinked(reinterpret_cast<AcroTestHost::PlugInMainProc>(&PlugInMain),
                                          GetModuleHandleW(nullptr)));
    // 0x95 0x5C is one character, as is 0x83 0x5C.
    const struct {
        const char* path;
        const char* name;
    } cases[] = {
        {"C:\\Dokumente\\\x95\x5C.pdf", "\x95\x5C.pdf"},
        {"C:\\\x83\x5C\x83\x74\x83\x67\\\x95\x5C\x8E\x86.pdf", "\x95\x5C\x8E\x86.pdf"},
        {"C:/Dokumente/\x95\x5C.pdf", "\x95\x5C.pdf"},
    };
    for (const auto& c : cases) {
        DocumentSpec pdf;
        pdf.path = c.path;
        int doc = host->OpenDocument(pdf);
        char name[520] = "";
        EXPECT_EQ(0, KVGetDocFileName(AVDocGetPDDoc(AVAppGetActiveDoc()), true, name, sizeof(name))) << c.path;
        EXPECT_STREQ(c.name, name) << c.path;
        host->CloseDocument(doc);
    }
}

} // namespace
