// cvconf providers: the OAuth providers the client can reach, with their
// endpoints. Looked up the way the client does, by the three names the
// manager offers, so a provider the data file lists under any other name is
// not shown: the client cannot reach it either.

#include "Commands.h"
#include "Output.h"
#include "Session.h"

#include "ConfigMgr.h"
#include "ConfigMgr_p.h"

#include <QJsonDocument>

namespace {

// Enough of a client secret to tell two deployments apart, not to use it.
QString partialSecret(const QString& secret)
{
    if (secret.isEmpty())
        return QString();
    constexpr int kShown = 2;
    constexpr int kShownFrom = 8; // shorter secrets show nothing
    return (secret.size() >= kShownFrom ? secret.left(kShown) : QString()) + QChar(0x2026);
}

// rows() masks the secret whole, so the part shown is taken from the
// provider itself.
QList<Row> providerRows(const QObject& provider)
{
    QList<Row> out = rows(provider);
    for (Row& row : out) {
        if (row.name == QLatin1String("clientSecret"))
            row.value = partialSecret(provider.property("clientSecret").toString());
    }
    return out;
}

struct Purpose {
    const char* name;
    const QObject* (*find)(const ConfigMgrPrivate& d, const QString& provider);
};

const Purpose kPurposes[] = {
    { "login",
        [](const ConfigMgrPrivate& d, const QString& provider) -> const QObject* {
            // As the manager hands it out: only under its own name.
            const ThirdLoginConfig* held = d.thirdLoginConfigs.value(provider);
            return held && held->name() == provider ? held : nullptr;
        } },
    { "contacts",
        [](const ConfigMgrPrivate& d, const QString& provider) -> const QObject* {
            return d.thirdContactsConfigs.value(provider);
        } },
    { "calendar",
        [](const ConfigMgrPrivate& d, const QString& provider) -> const QObject* {
            return d.thirdCalendarConfigs.value(provider);
        } },
};

} // namespace

int providersCommand(Session& s, const QStringList& argsIn)
{
    QStringList args = argsIn;
    const bool json = args.removeAll(QStringLiteral("--json")) > 0;
    if (!args.isEmpty())
        return fail(QStringLiteral("usage: cvconf providers [--json]"));

    const ConfigMgrPrivate& d = s.loaded();
    const QStringList names { QLatin1String(cvsettings::kGoogle), QLatin1String(cvsettings::kFacebook),
        QLatin1String(cvsettings::kOutlook) };
    QJsonObject all;
    QString text;
    for (const Purpose& purpose : kPurposes) {
        QJsonObject found;
        QString section;
        for (const QString& name : names) {
            if (const QObject* provider = purpose.find(d, name)) {
                const QList<Row> r = providerRows(*provider);
                found.insert(name, toJson(r));
                section += toText(QStringLiteral("%1 %2").arg(QLatin1String(purpose.name), name), r);
            }
        }
        all.insert(QLatin1String(purpose.name), found);
        text += section.isEmpty() ? QStringLiteral("[%1]\n  (none)\n").arg(QLatin1String(purpose.name)) : section;
    }
    print(json ? QString::fromUtf8(QJsonDocument(all).toJson()) : text);
    return 0;
}
