#include "scene/viewer_state.h"

// Constant-initialised, so every field holds its start value before any code runs.
ViewerState viewerState = {
    0,
    0,
    {50, 50},
    "OpenGL",
    " soft by Orvelund - press \xB4p\xB4 key ",
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    {
        2.0f,
        {0.0f, 0.2f, 0.0f},
        {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1},
        {0.0f, 0.0f, 0.0f},
        {0, 0},
        1,
        1,
        0,
    },
    {0, 0, 1, 1, 1, 0, 0, 0, 0},
    {0.0f, 0.0f},
    {
        {-10.0f, 14.0f, 4.0f, 0.0f},
        {5.0f, -6.0f, -2.0f, 0.0f},
        {0.0f, -3.0f, 4.0f, 0.0f},
        {0.0f, -2.0f, -5.0f, 0.0f},
        {0.0f, 0.0f, -8.0f, 0.0f},
        {-20.0f, -10.0f, -2.0f, 0.0f},
    },
    {0.7f, 0.1f, 0.8f},
    {0.7f, 0.6f, 0.1f},
    0.55f,
};
