#pragma once
// CFolderWatch: notes, on the window thread, that names in the folder of records were created,
// removed, renamed or written by anyone. Only names the caller's filter accepts count, so the side
// files a write leaves behind (temporaries, rules, seen copies) mark nothing. The watch only
// notes; when to act on it is the caller's (the window paces it with its tick).

#include <functional>
#include <memory>
#include <string>
#include <string_view>

class CFolderWatch {
public:
    // Whether a change to the name matters to the caller. An empty name stands for changes that
    // could not be told apart (events lost to an overflow, the folder itself moved).
    using NameFilter = std::function<bool(std::string_view name)>;

    CFolderWatch();
    ~CFolderWatch();
    CFolderWatch(const CFolderWatch&) = delete;
    CFolderWatch& operator=(const CFolderWatch&) = delete;

    // Starts watching the folder of records as it is open now (the working directory while none
    // is). Yields 0, or the error number when the folder cannot be watched (then nothing is).
    int Start(NameFilter filter);
    // Reads the changes the system has queued so far (the event loop does this by itself).
    void Poll();
    // Yields whether a change that matters was seen since the last call, and forgets it.
    bool TakeChange();

private:
    struct Watch;
    std::unique_ptr<Watch> m_watch;
    bool m_changed = false;
};
