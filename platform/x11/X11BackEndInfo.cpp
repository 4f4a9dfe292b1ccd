// The X11 back end as the command line describes it.
#include "platform/BackEndInfo.h"

extern const TBackEndInfo X11BackEndInfo{
    "X11",
    "the see-through window, global input and cursors on an X11 desktop",
    {
        {"BLASTOVER_NO_SHM=1", "send frames without shared memory, as a remote display needs"},
        {"BLASTOVER_NO_XINPUT2=1", "poll the mouse buttons and Escape, for a server without XInput 2.1"},
        {"BLASTOVER_NO_XFIXES_CURSORS=1", "hide the pointer and draw the gun instead of replacing the cursors"},
    }};
