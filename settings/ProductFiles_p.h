#pragma once

#include <QByteArray>

class ConfigMgrPrivate;

// Load steps that read the product data files beside the application and the
// calendar-file association. Each leaves the held values alone when its
// source is missing or unreadable.
namespace cvsettings {

void loadClientConfig(ConfigMgrPrivate& d); // "/config.data"
void loadOmsUrlConfig(ConfigMgrPrivate& d); // "/omsurl.data"
void loadThirdConfigs(ConfigMgrPrivate& d); // "/thirdconfig.data"
void loadServerDataFile(ConfigMgrPrivate& d); // "/cvserver.data"
void loadSupportIcsFile(ConfigMgrPrivate& d); // the ".ics" association

// The parsing half of each file loader above, on a plaintext already read:
// each loader is readDataFile followed by one of these.
void applyClientConfig(ConfigMgrPrivate& d, const QByteArray& plaintext);
void applyOmsUrlConfig(ConfigMgrPrivate& d, const QByteArray& plaintext);
void applyThirdConfigs(ConfigMgrPrivate& d, const QByteArray& plaintext);
void applyServerDataFile(ConfigMgrPrivate& d, const QByteArray& plaintext);

} // namespace cvsettings
