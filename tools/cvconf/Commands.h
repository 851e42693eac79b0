#pragma once

#include <QString>
#include <QStringList>

class ConfigMgr;

// Each subcommand takes the arguments after its name and returns the exit
// status. Errors go to stderr through fail().
int showCommand(const QStringList& args);
int setCommand(const QStringList& args);
int accountCommand(const QStringList& args);
int providersCommand(const QStringList& args);

// Creates the manager and loads the configuration as the client does.
ConfigMgr& loadedManager();
QString settingsFilePath();
int fail(const QString& message, int status = 2);
void print(const QString& text);
