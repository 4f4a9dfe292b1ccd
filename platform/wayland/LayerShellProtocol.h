// The layer-shell protocol's generated client header, made fit for C++.
#pragma once

// One request has a parameter named "namespace", a C++ keyword.
#define namespace layer_namespace
#include "wlr-layer-shell-unstable-v1-client.h"
#undef namespace
