#pragma once

class ConfigMgrPrivate;

// Load steps that read the product data files beside the application and the
// calendar-file association. Each leaves the held values alone when its
// source is missing or unreadable.
namespace cvsettings {

bool loadClientConfig(ConfigMgrPrivate& d);   // "/config.data"
void loadOmsUrlConfig(ConfigMgrPrivate& d);   // "/omsurl.data"
void loadThirdConfigs(ConfigMgrPrivate& d);   // "/thirdconfig.data"
void loadServerDataFile(ConfigMgrPrivate& d); // "/cvserver.data"
void loadSupportIcsFile(ConfigMgrPrivate& d); // the ".ics" association

} // namespace cvsettings
