#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class ConfigMgrPrivate;

// Each subcommand takes the arguments after its name and returns the exit
// status: 0 done, 1 the settings file could not be read, locked or written
// (it is then as it was), 2 the command line or its input is wrong.
int showCommand(const QStringList& args);
int getCommand(const QStringList& args);
int setCommand(const QStringList& args);
int resetCommand(const QStringList& args);
int listKeysCommand(const QStringList& args);
int rangeCommand(const QStringList& args);
int accountCommand(const QStringList& args);
int providersCommand(const QStringList& args);
int dumpCommand(const QStringList& args);
int loadCommand(const QStringList& args);
int monitorCommand(const QStringList& args);

// Set from --file and --app-dir before any command runs; empty: the client's own.
struct Locations {
    QString settingsFile;
    QString appDir;
};
Locations& locations();

// The groups on the chosen files: a record of the tool's own around the
// process's manager; `load` runs the client's load sequence on it.
ConfigMgrPrivate& record(bool load = true);
// Loads the configuration as the client does, on a fresh manager and record.
ConfigMgrPrivate& loadedRecord();
// Drops the record and the manager; the next record() starts afresh.
void closeRecord();
QString settingsFilePath();

// Runs `change` with the file's save lock held from before the load to after
// the save, so that no other writer's change is lost in between. `change`
// gets the loaded record and returns an exit status; on 0 it may set
// `done`, printed once the change is known to be on disk.
int writeTransaction(const std::function<int(ConfigMgrPrivate& d, QString& done)>& change);

int fail(const QString& message, int status = 2);
void print(const QString& text);
// Strict: text that is not valid UTF-8 is refused, not replaced.
bool decodeUtf8(const QByteArray& bytes, QString& text);
