#pragma once

#include "cvcommon_export.h"

#include <QString>

// Where the client keeps its per-user files.
class CVCOMMON_EXPORT PathHelper
{
public:
    // Full path of `name` inside the client's per-user folder under the
    // platform's application-data location. The folder is created on first
    // use and fixed for the rest of the run, so one name always gives one path.
    static QString defaultPathName(const QString& name);
};
