// libFuzzer target for the catalogue's JSON import. Besides "no crash, no hang": a file
// that is accepted writes back to JSON that reads as the same programs, and writing that
// again gives the same bytes.
#include "catalogue/CatalogueJson.h"
#include "tests/fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QList<ProgramRecord> programs;
    QString error;
    if (!catalogueFromJson(bytes, programs, error)) {
        check(!error.isEmpty() && programs.isEmpty(), "a refusal without a message");
        return 0;
    }
    const QByteArray written = catalogueToJson(programs);
    QList<ProgramRecord> again;
    check(catalogueFromJson(written, again, error), "written JSON does not read");
    check(again == programs, "written JSON reads as other programs");
    check(catalogueToJson(again) == written, "writing twice gives other bytes");
    return 0;
}
