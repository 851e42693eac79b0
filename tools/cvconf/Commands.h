#pragma once

#include <QStringList>

class Session;

// Each command takes the session and the arguments after its name and
// returns the exit status: 0 done, 1 the settings file could not be read,
// locked or written (it is then as it was), 2 the command line or its input
// is wrong.
int showCommand(Session& s, const QStringList& args);
int getCommand(Session& s, const QStringList& args);
int listKeysCommand(Session& s, const QStringList& args);
int rangeCommand(Session& s, const QStringList& args);
int setCommand(Session& s, const QStringList& args);
int resetCommand(Session& s, const QStringList& args);
int accountCommand(Session& s, const QStringList& args);
int providersCommand(Session& s, const QStringList& args);
int dumpCommand(Session& s, const QStringList& args);
int loadCommand(Session& s, const QStringList& args);
int monitorCommand(Session& s, const QStringList& args);
