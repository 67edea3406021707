#include "engine/player/RenderPath.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QQuickWindow>
#include <QSGRendererInterface>

namespace quintara {

namespace {

RenderPath g_path = RenderPath::software;

bool canOpenRenderNode()
{
    const QDir dri(QStringLiteral("/dev/dri"));
    const QStringList nodes = dri.entryList({QStringLiteral("renderD*")}, QDir::System);
    for (const QString &node : nodes) {
        QFile file(dri.filePath(node));
        if (file.open(QIODevice::ReadWrite))
            return true;
    }
    return false;
}

} // namespace

RenderPath chooseRenderPath(const QString &override, bool gpuRenderNode,
                            const QString &galliumDriver, bool alwaysSoftware)
{
    const QString wanted = override.trimmed().toLower();
    if (wanted == QLatin1String("sw") || wanted == QLatin1String("software"))
        return RenderPath::software;
    if (wanted == QLatin1String("gl") || wanted == QLatin1String("opengl"))
        return RenderPath::openGL;
    const QString driver = galliumDriver.trimmed().toLower();
    const bool softwareDriver = driver == QLatin1String("llvmpipe") ||
                                driver == QLatin1String("softpipe") ||
                                driver == QLatin1String("swr");
    if (!gpuRenderNode || alwaysSoftware || softwareDriver)
        return RenderPath::software;
    return RenderPath::openGL;
}

void configureRenderPath()
{
    const QString always = qEnvironmentVariable("LIBGL_ALWAYS_SOFTWARE");
    g_path = chooseRenderPath(qEnvironmentVariable(renderPathVariable), canOpenRenderNode(),
                              qEnvironmentVariable("GALLIUM_DRIVER"),
                              !always.isEmpty() && always != QLatin1String("0"));
    if (g_path == RenderPath::software) {
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
        return;
    }
    QQuickWindow::setGraphicsApi(QSGRendererInterface::OpenGL);
    // Players draw into textures of their own contexts, which every window must be able to
    // sample; and all windows render on the main thread, where the players draw.
    if (!QCoreApplication::instance())
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (qEnvironmentVariableIsEmpty("QSG_RENDER_LOOP"))
        qputenv("QSG_RENDER_LOOP", "basic");
}

RenderPath renderPath()
{
    return g_path;
}

QString rawValue(RenderPath path)
{
    return path == RenderPath::openGL ? QStringLiteral("gl") : QStringLiteral("sw");
}

} // namespace quintara
