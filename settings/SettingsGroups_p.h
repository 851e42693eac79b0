#pragma once

// The settings classes as the code sees them: the macros made from
// SettingsClasses.cmake, a declaration of each class, and each held group's
// row for code that starts from the class.

#include "SettingsClassList_p.h"

#define CV_CLASS_DECLARE(Class) class Class;
CV_SETTINGS_CLASSES(CV_CLASS_DECLARE)
#undef CV_CLASS_DECLARE

template <class G> struct GroupRow;

#define CV_GROUP_ROW(Class, rowName, section, user)  \
    template <> struct GroupRow<Class> {             \
        static constexpr const char* name = rowName; \
        static constexpr bool hasSection = section;  \
        static constexpr bool userGroup = user;      \
    };
#define CV_GROUP_ROW_GROUP(Class, member, rowName, section) CV_GROUP_ROW(Class, rowName, section, false)
#define CV_GROUP_ROW_USER(Class, member, Operation, rowName, section) CV_GROUP_ROW(Class, rowName, section, true)
CV_SETTINGS_GROUPS(CV_GROUP_ROW_GROUP, CV_GROUP_ROW_USER)
#undef CV_GROUP_ROW_USER
#undef CV_GROUP_ROW_GROUP
#undef CV_GROUP_ROW
