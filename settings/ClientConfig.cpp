#include "ClientConfig.h"

#include "SettingsObject_p.h"

// Field order: the order in which assignment compares, stores and signals.
#define CLIENT_CONFIG_FIELDS(F)                                            \
    F(QString, version, Version, QStringLiteral("0.0.0.0"))                \
    F(QString, groupName, GroupName, QStringLiteral("Corvane"))            \
    F(QString, productName, ProductName, QStringLiteral("CorvaneDesktop")) \
    F(qlonglong, buildNum, BuildNum, 0)                                    \
    F(int, productSeries, ProductSeries, 1)                                \
    F(QString, productId, ProductId, {})                                   \
    F(int, clientType, ClientType, 1)                                      \
    F(int, terminalType, TerminalType, 0)                                  \
    F(int, clientMode, ClientMode, 1)                                      \
    F(int, paltform, Paltform, 1)

CV_SETTINGS_CLASS(ClientConfig, CLIENT_CONFIG_FIELDS)

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
