#pragma once

#include "ConfigMgr.h"
#include "tripledes/TripleDes.h"

#include <QString>

// The user settings file: one INI section per group, read and written through
// one load frame and one save frame driven by each section's key table. Every
// call opens the file afresh through its own QSettings object and closes it
// (which writes it) before returning.
namespace cvsettings::store {

void loadServerSection(const QString& file, ServerSetting* group);
void loadSection(const QString& file, NormalSetting* group);
void loadSection(const QString& file, MeetingSetting* group);
void loadSection(const QString& file, MessageSetting* group);
void loadSection(const QString& file, ShareSetting* group);
void loadSection(const QString& file, UISetting* group);
void loadSection(const QString& file, JoinMeetingSetting* group);
void loadSection(const QString& file, OnionSetting* group);
void loadSection(const QString& file, ProcessSetting* group);
void loadSection(const QString& file, AudioSetting* group);
void loadSection(const QString& file, RecordSetting* group);
void loadLoginSection(const QString& file, LoginSetting* group, const TORVELIB::TripleDesContext& cipher);

void saveSection(const QString& file, const NormalSetting* group);
void saveSection(const QString& file, const MeetingSetting* group);
void saveSection(const QString& file, const MessageSetting* group);
void saveSection(const QString& file, const ShareSetting* group);
void saveSection(const QString& file, const UISetting* group);
void saveSection(const QString& file, const JoinMeetingSetting* group);
void saveSection(const QString& file, const OnionSetting* group);
void saveSection(const QString& file, const ProcessSetting* group);
void saveSection(const QString& file, const AudioSetting* group);
void saveSection(const QString& file, const RecordSetting* group);
void saveLoginSection(const QString& file, const LoginSetting* group, const TORVELIB::TripleDesContext& cipher);

} // namespace cvsettings::store
