#pragma once

#include <QByteArray>

class ConfigMgrPrivate;

// Load steps that read the product data files beside the application and the
// calendar-file association. Each leaves the held values alone when its
// source is missing or unreadable.
namespace cvsettings {

// The product data files, as the loaders append them to the application's
// folder, in load order.
inline constexpr char kClientConfigFile[] = "/config.data";
inline constexpr char kOmsUrlConfigFile[] = "/omsurl.data";
inline constexpr char kThirdConfigFile[] = "/thirdconfig.data";
inline constexpr char kServerDataFile[] = "/cvserver.data";
inline constexpr const char* kDataFiles[] = { kClientConfigFile, kOmsUrlConfigFile, kThirdConfigFile, kServerDataFile };

void loadClientConfig(ConfigMgrPrivate& d); // kClientConfigFile
void loadOmsUrlConfig(ConfigMgrPrivate& d); // kOmsUrlConfigFile
void loadThirdConfigs(ConfigMgrPrivate& d); // kThirdConfigFile
void loadServerDataFile(ConfigMgrPrivate& d); // kServerDataFile
void loadSupportIcsFile(ConfigMgrPrivate& d); // the ".ics" association

// The parsing half of each file loader above, on a plaintext already read:
// each loader is readDataFile followed by one of these.
void applyClientConfig(ConfigMgrPrivate& d, const QByteArray& plaintext);
void applyOmsUrlConfig(ConfigMgrPrivate& d, const QByteArray& plaintext);
void applyThirdConfigs(ConfigMgrPrivate& d, const QByteArray& plaintext);
void applyServerDataFile(ConfigMgrPrivate& d, const QByteArray& plaintext);

} // namespace cvsettings
