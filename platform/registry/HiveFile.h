#pragma once
// The two roots, each an in-memory hive backed by a file: HKEY_CURRENT_USER in HKCU.reg,
// HKEY_LOCAL_MACHINE (read-only, empty unless its file exists) in HKLM.reg. The folder is
// $MORVEL_REGISTRY_DIR, else $XDG_CONFIG_HOME/morvel, else ~/.config/morvel; it is looked up on
// every access, so a changed folder brings in its own hives.
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/registry/Hive.h"

namespace reg {

enum class RootKey : uint8_t { CurrentUser, LocalMachine };

struct Hive {
    std::mutex mutex; // guards every field below
    Key root;
    std::string path;
    std::string title;     // the root's name, for the file's first line
    bool readOnly = false; // HKLM, or a file we could not read and must not overwrite
    bool dirty = false;    // changed since the last successful save
};

// The hive of a root, loaded on first use. Lock its mutex before touching it.
std::shared_ptr<Hive> GetHive(RootKey root);

// Writes the hive to its file when it changed: temporary file, fsync, rename. Call with the
// hive's mutex held. False when the file could not be written; the hive then stays dirty.
bool SaveHiveLocked(Hive& hive);

// The folder of the hive files, without a trailing '/'.
std::string RegistryFolder();

// Forgets the in-memory hives, unsaved changes included, so that the next access reads the
// files again as a newly started program would.
void ReloadHives();

// Called after the temporary file is written and synced, before it replaces the hive file.
// Returning false stops the save right there, as if the program had died (fault injection).
using SaveHook = std::function<bool(const std::string& tempPath)>;
void SetSaveHook(SaveHook hook);

} // namespace reg
