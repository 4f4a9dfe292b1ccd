// The SDL2_mixer sound back end as the command line describes it.
#include "platform/BackEndInfo.h"

extern const TBackEndInfo SdlMixerBackEndInfo{
    "SDL2_mixer",
    "sound on the default audio output; without one the game plays silently",
    {
        {"SDL_AUDIODRIVER=NAME", "the audio driver SDL plays through (dummy: none)"},
    }};
