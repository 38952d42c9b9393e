#pragma once
// The list thread: turns queued file names into per-file objects off the GUI thread and hands
// them to the window one at a time, in order, going on with the next name meanwhile. After each
// turn of work it reports the end of the loading once, and waits until the window has taken
// every entry before it.
//
//   TlistThread list(
//       [&](std::shared_ptr<const TAfficherFichier> f) { window.AddFile(std::move(f)); },
//       [&] { window.ListFinished(); });
//   list.Queue("/media/tapes/clip.avi");   // appends and wakes it
//   list.QueueAll(names, [&](bool complete) { ... });  // one job; told whether it all arrived
//   list.Interrupt();                      // Esc: drops what is queued so far
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/threads/Worker.h"

namespace actions {

class TAfficherFichier;

class TlistThread {
public:
    using AddFileSink = std::function<void(std::shared_ptr<const TAfficherFichier> fichier)>;
    using ListFinishedSink = std::function<void()>;
    using DoneSink = std::function<void(bool complete)>;

    // Both sinks run on the GUI thread, in the order of their events: the entries are posted,
    // the end of the loading (and QueueAll's done) sent, so that it comes after them and the thread
    // waits for it. The thread starts at once and reports the end of an (empty) loading.
    TlistThread(AddFileSink onAddFile, ListFinishedSink onListFinished);
    // Drops what is queued, serves the calls under way and waits for the thread.
    ~TlistThread();
    TlistThread(const TlistThread&) = delete;
    TlistThread& operator=(const TlistThread&) = delete;

    // An existing regular file (links followed) becomes an entry; any other name is skipped
    // without a word.
    void Queue(std::string fileName);
    // The names as one job, in order. `done` runs on the GUI thread after the last of them, with
    // complete false when an Interrupt() cut the job short (every name it dropped counts; a name
    // that was no file does not). The end-of-loading report is separate: it comes whenever the
    // thread runs dry, whichever loading that ends.
    void QueueAll(std::vector<std::string> fileNames, DoneSink done = {});
    // A turn without names: one end-of-loading report.
    void Wake();
    // Esc, Shift+Esc and closing: every name queued before this call is dropped; the one being
    // analysed is still handed over, and names queued afterwards are listed.
    void Interrupt();

    bool IsIdle() const { return worker_.IsIdle(); }
    // For the headless run and closing; on the GUI thread it serves the sinks while it waits.
    bool WaitIdle(int timeoutMs);

    // 0 from an Interrupt() until the thread has dropped what it cut off; written only by
    // Interrupt() and the thread.
    std::atomic<uint8_t> ListEnabled{1};

private:
    // False when an Interrupt() since `generation` drops the name.
    bool Take(const std::string& fileName, uint64_t generation);
    uint64_t Generation();

    const AddFileSink onAddFile_;
    const ListFinishedSink onListFinished_;
    std::mutex lock_;         // guards generation_ together with the store to ListEnabled
    uint64_t generation_ = 0; // bumped by Interrupt(); a queued name carries the value it saw
    threads::Worker worker_;  // last: its thread starts once the fields above exist
};

} // namespace actions
