// One window per user and program folder. The instance's local socket lives in the user's private
// run-time folder (platform/runtime_folder.h), under a name made from the home and the program
// folder: a second start asks the first to come to the front and ends; a first start that cannot
// take its place says why instead of ending in silence.
#pragma once

#include <QLocalServer>
#include <QString>
#include <QStringList>
#include <memory>
#include <string>

namespace vorlisk::window {

// The socket's full paths (on Windows a pipe name), one in each folder of
// platform::PrivateRuntimeFolders(): the first is where a first start listens, the others where
// an instance that started while that folder was unusable listens. Throws Error when no private
// folder can be used, or when the first path is longer than a local socket's may be.
QStringList InstanceSocketPaths(const std::string& programFolder);
// The first of them.
QString InstanceSocketPath(const std::string& programFolder);

// Asks a running instance listening at `path` to come to the front; whether one answered.
bool ActivateRunningInstance(const QString& path);
// The same at each path in turn, until one answers.
bool ActivateRunningInstanceAt(const QStringList& paths);

// Listens at `path` as the first instance. A name left there by an instance that did not end in
// order is removed first (only this user can have made it). Throws Error saying why it cannot.
std::unique_ptr<QLocalServer> ListenAsFirstInstance(const QString& path);

// The first start's refusal: "Vorlisk cannot start: " and the reason.
std::string CannotStart(const std::string& reason);

}  // namespace vorlisk::window
