// The Windows back end as the command line describes it.
#include "platform/BackEndInfo.h"

extern const TBackEndInfo Win32BackEndInfo{
    "Win32",
    "the see-through window, global input, cursors and XAudio2 sound on a Windows desktop; "
    "without an audio device the game plays silently",
    {
        {"BLASTOVER_STDERR=1", "write the messages meant for developers to stderr too, not only to the debugger"},
    }};
