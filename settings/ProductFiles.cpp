#include "ProductFiles_p.h"

#include "ConfigMgr_p.h"

namespace cvsettings {

bool loadClientConfig(ConfigMgrPrivate&) { return false; }
void loadOmsUrlConfig(ConfigMgrPrivate&) {}
void loadThirdConfigs(ConfigMgrPrivate&) {}
void loadServerDataFile(ConfigMgrPrivate&) {}
void loadSupportIcsFile(ConfigMgrPrivate&) {}

} // namespace cvsettings
