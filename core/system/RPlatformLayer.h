// RPlatformLayer: the platform layer's answers to "where does this user's data live" and "where is the program's
// content", the process-wide settings start-up makes (standard streams, broken pipes, the one-copy lock on the
// user folder), an error box that goes when the process is told to stop, and its handling of the display going
// away. The folder answers write an absolute folder path (without a trailing "/") into a buffer the caller owns and
// return false, leaving the buffer empty, when the folder cannot be named or the path would not fit. The lock's
// file descriptor is the platform layer's own. The display's handling and the window's real place are the one
// place that knows the window system (X).
#pragma once

#include <cstddef>

struct SDL_Window;

class RPlatformLayer {
public:
    // The user's application-data folder: $XDG_DATA_HOME when it is an absolute path, else $HOME/.local/share.
    // False when neither variable gives an absolute path.
    static bool GetApplicationSupportFolder(char* outPath, size_t outSize);

    // True when the system takes the absolute path `path` as a file's name with `room` bytes more at its end: no
    // name in it longer than NAME_MAX and the whole, with the room and its terminating zero, within PATH_MAX. What
    // it refuses can be neither made nor opened.
    static bool TakesPath(const char* path, size_t room);

    // The program's resource folder: $ROLT_RESOURCE_DIR when set, else the folder "Resources" beside the
    // executable. The folder must exist; the path written is its canonical absolute form.
    static bool GetResourcesFolder(char* outPath, size_t outSize);

    // Opens "/dev/null" on each of the standard input, output and error that the process was started without (a
    // launcher or a shell line that closed them). Called first thing in main, before anything opens a file: a
    // closed one's number would go to the next file opened (the lock file, the display's connection), and a
    // message meant for standard error would be written into that file.
    static void OpenClosedStandardStreams();

    // A write to a pipe whose reader has gone (standard error piped into a pager that was closed) fails with
    // EPIPE instead of ending the process with SIGPIPE: a program whose output nobody reads goes on, and its
    // session is saved as at any quit. For the whole process.
    static void IgnoreBrokenPipes();

    // The one-copy lock on a user folder: two exclusive locks taken together, one on the folder itself and one on
    // the regular file kLockFileName in it, each where the file system allows it. A local disk locks a folder
    // opened for reading, whoever owns it, so every copy on this machine meets every other at the folder, whatever
    // stands in it and whatever its user may write there; a network file system locks only a file open for
    // writing, so a copy on another machine meets this one at the file. The file is made when missing and opened
    // for writing where this user may, else, where it is there, for reading; never through a symbolic link and
    // never waiting on what stands there.
    static constexpr const char* kLockFileName = "Running.lock";
    enum LockResult {
        kLockHeld,        // this process holds the lock (one of the two, at least)
        kLockHeldByOther, // another process holds it
        kLockBlocked,     // something other than a regular file stands at the lock file's name
        kLockUnavailable, // neither can be had here (the file system cannot lock, or cannot lock what this user may
                          // open; the file cannot be made): nothing guards the folder
        kLockNoFolder,    // the folder is not there, or not a folder
    };
    // Takes the lock on the user folder `folder`, whose lock file is at lockPath. *outError receives the error
    // behind kLockUnavailable and kLockNoFolder (0 otherwise): for kLockUnavailable what kept the lock away, the
    // file system's refusal where it refuses a lock whatever this user may write (no lock service), else why the
    // lock file could not be written or made. The kernel drops the lock when the process ends, however it ends;
    // UnlockUserFolder drops it before. A lock this process held before is dropped first.
    static LockResult LockUserFolder(const char* folder, const char* lockPath, int* outError);
    // What stands at path, for a message ("a folder", "a FIFO", "a symbolic link"...); "nothing" when nothing does.
    static const char* DescribeFileType(const char* path);
    // Drops the lock LockUserFolder took; nothing when none is held.
    static void UnlockUserFolder();

    // Shows an error message box and waits until the player closes it, for a process that has nothing left to save
    // and ends after it. The box is drawn by processes of its own (a child in a new process group; the window
    // system's box may make more in it). A quit signal (SIGTERM, SIGINT, SIGHUP) from the call on ends all of
    // them and then this process, with that signal's status; they also end when this process dies any other way.
    // Nothing is shown where no process can be made.
    static void ShowErrorBoxUntilQuit(const char* title, const char* message);

    // What to do when the connection to the display is lost (the X server ended or the session logged out).
    // onLost is called once, on the thread whose window-system call noticed it, from inside that call: it may
    // make no window, GL or window-system call, only save what must not be lost. The program then ends with
    // status 1, since nothing can return into the lost connection. Null restores the window system's own
    // handling, which ends the program at once.
    typedef void (*DisplayLostCallback)();
    static void SetDisplayLostHandler(DisplayLostCallback onLost);

    // Where the window system has the window: its upper-left corner on the screen and its size in pixels, which
    // is also its GL drawable's. SDL answers with what it asked for, which no window manager may have carried out.
    // False, leaving the outputs as they were, when the window is not an X window (another video driver).
    static bool GetWindowRect(SDL_Window* window, int* x, int* y, int* width, int* height);
};
