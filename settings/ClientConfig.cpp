#include "ClientConfig.h"

#include "SettingsObject_p.h"

// Field order: the order in which assignment compares, stores and signals.
// clang-format off
CV_SETTINGS_CLASS(ClientConfig,
    (QString,   version,       Version,       QStringLiteral("0.0.0.0")),
    (QString,   groupName,     GroupName,     QStringLiteral("Corvane")),
    (QString,   productName,   ProductName,   QStringLiteral("CorvaneDesktop")),
    (qlonglong, buildNum,      BuildNum,      0),
    (int,       productSeries, ProductSeries, 1),
    (QString,   productId,     ProductId,     {}),
    (int,       clientType,    ClientType,    1),
    (int,       terminalType,  TerminalType,  0),
    (int,       clientMode,    ClientMode,    1),
    (int,       paltform,      Paltform,      1))
// clang-format on

// The media limits are published for bindings but have no storage: they read
// as 0 and writing them changes and signals nothing.
int ClientConfig::maxVideoWidth() const { return 0; }
int ClientConfig::maxVideoHeight() const { return 0; }
int ClientConfig::maxVideoFramerate() const { return 0; }
int ClientConfig::maxVideoBitrate() const { return 0; }
int ClientConfig::maxMediaBitrate() const { return 0; }
void ClientConfig::setMaxVideoWidth(int) { }
void ClientConfig::setMaxVideoHeight(int) { }
void ClientConfig::setMaxVideoFramerate(int) { }
void ClientConfig::setMaxVideoBitrate(int) { }
void ClientConfig::setMaxMediaBitrate(int) { }
