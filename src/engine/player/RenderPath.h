#pragma once

#include <QString>

namespace quintara {

// How video frames reach the screen. Chosen once per process, before the first window exists.
enum class RenderPath {
    // mpv's software renderer draws each frame into memory at the layer's pixel size, and Qt
    // Quick's software backend paints it straight into the window: no GPU pass at all. The
    // cheapest route on a software rasteriser (llvmpipe, softpipe) or without OpenGL.
    software,
    // Qt Quick on OpenGL with hardware decoding, for a real GPU: mpv's OpenGL renderer draws
    // each frame once into a texture that every window samples.
    openGL,
};

// Environment variable that overrides the automatic choice: "sw" or "gl".
inline constexpr char renderPathVariable[] = "QUINTARA_RENDER";

// The automatic choice from the environment: `override` ("sw"/"gl") wins; otherwise OpenGL only
// where a GPU render node can be opened and Mesa is not told to rasterise in software.
RenderPath chooseRenderPath(const QString &override, bool gpuRenderNode,
                            const QString &galliumDriver, bool alwaysSoftware);

// Decides the process's render path from the environment and configures Qt Quick for it. Call
// before the QApplication is created (OpenGL needs its contexts shared from the start; called
// later, players on the OpenGL path draw in memory and upload textures instead).
void configureRenderPath();

// The path decided by configureRenderPath(); software until it is called.
RenderPath renderPath();

QString rawValue(RenderPath path);

} // namespace quintara
