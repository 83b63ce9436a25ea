// The REGEDIT4 reader over arbitrary text: it applies what it can and reports the
// first malformed line as an Exception, never anything worse; what it built exports
// to text that reads back to the same export.
//
// Input: the export text.

#include "fuzz/FuzzInput.h"
#include "platform/Error.h"
#include "platform/RegExport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    TRegistry registry;
    try {
        ReadRegExport(text, registry);
    } catch (const Exception& error) {
        FUZZ_CHECK(error.Message().startsWith(QStringLiteral("Registry export, line ")),
                   "unexpected message: %s", qPrintable(error.Message()));
    }

    // Whatever was applied before a failure is a registry like any other.
    for (const HKEY root : registry.Roots()) {
        const QByteArray one = WriteRegExport(registry, root, QString());
        TRegistry reread;
        try {
            ReadRegExport(one, reread);
        } catch (const Exception& error) {
            FUZZ_CHECK(false, "an export does not read back: %s", qPrintable(error.Message()));
        }
        FUZZ_CHECK(WriteRegExport(reread, root, QString()) == one,
                   "an export reads back as another registry");
    }
    return 0;
}
