// libFuzzer target over the parser and the decoders it relies on: Perse in both modes (with
// attachment files written to a scratch folder), the header helpers, address lists, HTML to
// text, charset guessing, Base64, quoted-printable, %XX and JIS to Shift_JIS. Its corpus is
// tests/data/parser/fuzz (seeded from tests/data/parser).
#include "encoding/CBase64.h"
#include "encoding/CLanguage.h"
#include "encoding/CQuotedPrint.h"
#include "model/CMailDoc.h"
#include "parser/CEMailPerser.h"
#include "parser/CHtmlText.h"
#include "parser/CMailCharset.h"
#include "parser/CMailboxList.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// A folder of its own for the attachment files, removed at exit; null when none could be
// made (then nothing is written, and nothing else is ever emptied).
const char* ScratchFolder()
{
    static char path[] = "/tmp/perser-fuzz-XXXXXX";
    static const bool made = [] {
        if (!mkdtemp(path)) return false;
        std::atexit([] { rmdir(path); });
        return true;
    }();
    return made ? path : nullptr;
}

void EmptyFolder(const std::string& folder)
{
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir)) {
            if (std::strcmp(entry->d_name, ".") && std::strcmp(entry->d_name, ".."))
                unlink((folder + "/" + entry->d_name).c_str());
        }
        closedir(dir);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    const CString text(reinterpret_cast<const char*>(data + 1), static_cast<int>(size - 1));
    CEMailPerser parser;
    switch (data[0] % 5) {
    case 0: {
        CMailDoc doc;
        const char* folder = ScratchFolder();
        (void)parser.Perse(text, folder ? CPath::FromNative(folder) : CPath(), doc, 0);
        if (folder) EmptyFolder(folder);
        break;
    }
    case 1: {
        CMailDoc doc;
        (void)parser.Perse(text, CPath(), doc, 1);
        break;
    }
    case 2: {
        (void)parser.DecodeFieldValue(text);
        (void)parser.GetAttrValue_MultiLine(text, "name");
        (void)parser.GetAttrValue(text, "boundary");
        CStringArray list;
        (void)parser.PerseAddressField(text, 0, "To", list);
        break;
    }
    case 3: {
        (void)CHtmlText::ToText(text.View());
        std::vector<CMailbox> boxes;
        CMailboxList::Perse(text.View(), boxes);
        CString converted;
        CMailCharset::Guess(text.View(), converted);
        CMailCharset::ToCp932("utf-7", text.View(), converted);
        break;
    }
    default: {
        std::vector<unsigned char> buffer(size + 1);
        unsigned int length = 0;
        (void)CBase64::Decode(text, buffer.data(), static_cast<unsigned int>(buffer.size()), length);
        (void)CQuotedPrint::Decode(text, buffer.data(), static_cast<unsigned int>(buffer.size()), length);
        (void)CLanguage::HexDecode(text, buffer.data(), static_cast<unsigned int>(buffer.size()), length);
        CString sjis;
        CLanguage::JIS_SJIS(text.GetString(), static_cast<unsigned int>(text.GetLength()), sjis);
        break;
    }
    }
    return 0;
}
