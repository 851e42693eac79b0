// One product-file loader over an arbitrary plaintext, through the same code
// that runs after the container has been deciphered. Built once per loader.
#include "FuzzQtEnvironment.h"

#include "ConfigMgr.h"
#include "ConfigMgr_p.h"
#include "ProductFiles_p.h"

#include <QByteArray>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    cvfuzz::initQt(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray plaintext(reinterpret_cast<const char*>(data), int(size));
    ConfigMgrPrivate d(nullptr, {});
#if defined(CV_FUZZ_LOADER_CLIENTCONFIG)
    cvsettings::applyClientConfig(d, plaintext);
#elif defined(CV_FUZZ_LOADER_OMSURL)
    cvsettings::applyOmsUrlConfig(d, plaintext);
#elif defined(CV_FUZZ_LOADER_THIRDCONFIG)
    // Twice: a second load replaces the providers of the first.
    cvsettings::applyThirdConfigs(d, plaintext);
    cvsettings::applyThirdConfigs(d, plaintext);
    for (const ThirdLoginConfig* provider : d.thirdLoginConfigs)
        ThirdLoginConfig copy(*provider);
#elif defined(CV_FUZZ_LOADER_CVSERVER)
    cvsettings::applyServerDataFile(d, plaintext);
#else
#error "no loader selected"
#endif
    ConfigMgr::destroyInstance();
    return 0;
}
