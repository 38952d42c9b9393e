#pragma once
// The two roots, each an in-memory hive backed by a file: HKEY_CURRENT_USER in HKCU.reg,
// HKEY_LOCAL_MACHINE (read-only, empty unless its file exists) in HKLM.reg. The folder is
// $MORVEL_REGISTRY_DIR, else $XDG_CONFIG_HOME/morvel, else ~/.config/morvel; it is looked up on
// every access, so a changed folder brings in its own hives.
//
// Several Morvel processes may share the hives (a command-line run beside the window): each keeps
// the changes it made since its last save, and a save, under a lock on the folder's lock file,
// reads the file again and replays them over what the others saved. So one process never undoes
// another's values, and the last to write a value wins, as with the registry itself.
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/registry/Hive.h"

namespace reg {

enum class RootKey : uint8_t { CurrentUser, LocalMachine };

// One change to a hive, as made and as replayed over the file at a save.
struct Change {
    enum class Kind : uint8_t { CreateKey, DeleteKey, SetValue, DeleteValue };
    Kind kind = Kind::CreateKey;
    std::vector<std::string> path; // the key, from the root
    Value value;                   // SetValue: the value; DeleteValue: its name
};

// The key at `path` under `root`: null when missing, or made with its parents when `create`.
Key* WalkKey(Key& root, const std::vector<std::string>& path, bool create = false);

// Makes `change` in the tree under `root`; false when there was nothing to delete.
bool ApplyChange(Key& root, const Change& change);

struct Hive {
    std::mutex mutex; // guards every field below
    Key root;
    std::string path;
    std::string title;           // the root's name, for the file's first line
    bool readOnly = false;       // HKLM, or a file we could not read and must not overwrite
    bool dirty = false;          // changed since the last successful save
    std::vector<Change> changes; // made since the last successful save, in order

    // Makes the change and keeps it for the next save (call with the mutex held); false, and
    // nothing kept, when there was nothing to delete.
    bool Make(Change change);
};

// The hive of a root, loaded on first use. Lock its mutex before touching it.
std::shared_ptr<Hive> GetHive(RootKey root);

// Writes the hive to its file when it changed: the file's current content with this hive's
// changes replayed over it, through rtl::ReplaceFile. Call with the hive's mutex held.
// False when the file could not be written; the hive then stays dirty and keeps its changes.
bool SaveHiveLocked(Hive& hive);

// The folder of the hive files, without a trailing '/'.
std::string RegistryFolder();

// Forgets the in-memory hives, unsaved changes included, so that the next access reads the
// files again as a newly started program would.
void ReloadHives();

} // namespace reg
