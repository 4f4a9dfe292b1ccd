// The Wayland back end as the command line describes it.
#include "platform/BackEndInfo.h"

extern const TBackEndInfo WaylandBackEndInfo{
    "Wayland",
    "layer surfaces, input and cursors on compositors with the layer shell (X11 serves the others)",
    {
        {"BLASTOVER_PLATFORM=x11|wayland", "use that back end instead of the one the desktop suggests"},
    }};
