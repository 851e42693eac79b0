// cvconf load's parser over arbitrary bytes. Whatever it accepts must be
// values a dump writes back as they were read (load refuses what would not
// read back from the settings file the same, and dump must then show it
// unchanged); nothing may allocate or recurse without bound on the way.
#include "FuzzQtEnvironment.h"

#include "Dump.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    cvfuzz::initQt(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    dump::Entries entries;
    QString error;
    if (!dump::read(QByteArray(reinterpret_cast<const char*>(data), int(size)), entries, error))
        return 0;
    // Compared as JSON, where a NaN equals itself.
    for (const auto& [key, value] : entries) {
        QVariant again;
        const QJsonValue json = dump::toJson(value);
        if (!dump::fromJson(json, again) || again.userType() != value.userType() || dump::toJson(again) != json)
            std::abort();
    }
    // The read-back check writes the entries to a scratch file; small dumps
    // only, to keep the runs fast.
    if (entries.size() <= 32)
        dump::readsBackOtherwise(entries);
    return 0;
}
