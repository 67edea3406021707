// Built only by the layering test, which expects it to fail: the engine layer must not see the
// composition root above it.
#include "app/AppDelegate.h"
#include "engine/WallpaperController.h"
