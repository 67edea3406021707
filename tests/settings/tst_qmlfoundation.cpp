#include "ManualAnimationDriver.h"
#include "Rows.h"
#include "TestMain.h"
#include "platform/LogSink.h"
#include "platform/Symbols.h"
#include "platform/linux/JsonFileStore.h"
#include "settings/AppSettings.h"
#include "settings/Brand.h"
#include "settings/QmlSingleton.h"
#include "settings/SymbolTable.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <complex>
#include <memory>
#include <numbers>

void qml_register_types_Quintara_Settings();

using namespace quintara;

namespace {

// The unit step response of a damped oscillator of unit mass.
double dampedStep(double t, double response, double zeta)
{
    const double omega = 2 * std::numbers::pi / response;
    const std::complex<double> turn = omega * std::sqrt(std::complex<double>(1 - zeta * zeta));
    const std::complex<double> shape =
        std::cos(turn * t) + zeta * omega / turn * std::sin(turn * t);
    return 1 - std::exp(-zeta * omega * t) * shape.real();
}

// The colour of the image's fully opaque pixels (the last one met); invalid when it has none.
QColor opaqueColour(const QImage &image)
{
    QColor found;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y).alpha() == 255)
                found = image.pixelColor(x, y);
    return found;
}

// A QML engine with the app-wide singletons, as the composition root hands them over.
struct Qml {
    Qml()
    {
        engine.addImportPath("qrc:/qt/qml");
        qml_singleton::provide(engine, settings);
        qml_singleton::provide(engine, brand);
        qml_singleton::provide(engine, symbols);
        engine.addImageProvider(SymbolTable::providerId, new SymbolImageProvider);
    }
    std::unique_ptr<QObject> create(const QByteArray &body)
    {
        QQmlComponent component(&engine);
        component.setData("import QtQuick\nimport Quintara.Settings\n" + body, QUrl("qrc:/t.qml"));
        std::unique_ptr<QObject> object(component.create());
        if (!object)
            qWarning() << component.errors();
        return object;
    }
    JsonFileStore store{JsonFileStore::defaultPath()};
    AppSettings settings{store};
    Brand brand;
    SymbolTable symbols;
    QQmlEngine engine;
};

// Reads the settings through bindings and changes them as a view would.
const QByteArray settingsUser =
    "QtObject {\n"
    "property int fillMode: AppSettings.fillMode; property var sources: AppSettings.islandSources\n"
    "property real speed: AppSettings.speeds[\"a.mp4\"] ?? 1\n"
    "function choose() {\n"
    "AppSettings.fillMode = AppSettings.fillModeCases[2].value\n"
    "AppSettings.setIslandSourceEnabled(AppSettings.islandSourceCases[0].value, false)\n"
    "AppSettings.setSpeed(0.5, \"file:///elsewhere/a.mp4\")\n"
    "return AppSettings.fillModeCases.map(c => c.raw + \":\" + c.label).join(\",\") } }\n";

} // namespace

class QmlFoundationTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qml_register_types_Quintara_Settings(); }

    void springMovesLikeTheDampedOscillator_data()
    {
        const auto row = test::rows<std::tuple<QByteArray, double, double>>();
        row("the views' own", {QByteArray("Spring {}"), 0.38, 0.82});
        row("the island's",
            {QByteArray("Spring { response: 0.42; dampingFraction: 0.78 }"), 0.42, 0.78});
        row("overdamped", {QByteArray("Spring { response: 0.5; dampingFraction: 1.5 }"), 0.5, 1.5});
    }
    void springMovesLikeTheDampedOscillator()
    {
        const auto &[spring, response, zeta] = test::row<std::tuple<QByteArray, double, double>>();
        test::ManualAnimationDriver clock;
        Qml qml;
        auto item =
            qml.create("Item { property real value: 0; Behavior on value { " + spring + " } }");
        QVERIFY(item);
        item->setProperty("value", 100.0);
        // The animation reaches the clock's timers two queued calls later.
        for (int turn = 0; turn < 3; ++turn)
            QCoreApplication::processEvents();
        QList<double> samples;
        for (int tick = 0; tick < 200; ++tick) {
            clock.advanceBy(16);
            samples.append(item->property("value").toDouble());
        }
        // Sample i holds the value after i + 1 steps of 16 ms. Qt steps the velocity before the
        // position, which runs half a step ahead of the oscillator.
        for (qsizetype i = 0; i < samples.size(); ++i) {
            const double t = (double(i) + 1.5) * SpringMotion::step;
            const double expected = 100 * dampedStep(t, response, zeta);
            QVERIFY2(std::abs(samples[i] - expected) < 1.0,
                     qPrintable(QStringLiteral("t=%1 s: %2, oscillator %3")
                                    .arg(t)
                                    .arg(samples[i])
                                    .arg(expected)));
        }
        QCOMPARE(samples.last(), 100.0); // at rest on the target
    }

    void qmlReadsAndChangesTheSettings()
    {
        Qml qml;
        auto object = qml.create(settingsUser);
        QVERIFY(object);
        QVariant cases;
        QMetaObject::invokeMethod(object.get(), "choose", Q_RETURN_ARG(QVariant, cases));
        QCOMPARE(cases.toString(), "fill:Fill,fit:Fit,stretch:Stretch");
        QCOMPARE(qml.settings.fillMode(), FillMode::stretch);
        QCOMPARE(qml.settings.islandSources(),
                 (IslandSourceSet{IslandSource::claudeCode, IslandSource::chatGPT}));
        QCOMPARE(qml.settings.speed(QUrl::fromLocalFile("/library/a.mp4")), 0.5);
        // Bindings follow the settings.
        QCOMPARE(object->property("fillMode").toInt(), int(FillMode::stretch));
        QCOMPARE(object->property("sources").toList().size(), 2);
        QCOMPARE(object->property("speed").toDouble(), 0.5);
        qml.settings.setFillMode(FillMode::fit);
        QCOMPARE(object->property("fillMode").toInt(), int(FillMode::fit));
    }

    void everySymbolDrawsInItsColour()
    {
        for (const QString &name : symbolNames()) {
            const QImage image = renderSymbol(name, QColor(200, 30, 10), QSize(24, 24));
            QVERIFY2(!image.isNull(), qPrintable(name));
            QCOMPARE(opaqueColour(image), QColor(200, 30, 10));
        }
    }

    void symbolsLoadByNameAndAnUnknownNameOnceSaysSo()
    {
        MemoryLogSink log;
        ScopedLogSink scoped(&log);
        Qml qml;
        auto known = qml.create("Symbol { name: 'play.fill'; color: '#2060c0'; size: 20 }");
        QVERIFY(known);
        QCOMPARE(known->property("status").toInt(), 1); // Image.Ready
        QCOMPARE(known->property("implicitWidth").toInt(), 20);
        auto *provider = static_cast<QQuickImageProvider *>(qml.engine.imageProvider("symbol"));
        const QString id = known->property("source").toUrl().path().mid(1);
        QCOMPARE(opaqueColour(provider->requestImage(id, nullptr, QSize(20, 20))),
                 QColor("#2060c0"));
        auto unknown = qml.create("Column { Symbol { name: 'no.such.symbol' } "
                                  "Symbol { name: 'no.such.symbol'; color: 'red' } }");
        QVERIFY(unknown);
        QCOMPARE(log.lines(), QStringList{"Quintara: no symbol named \"no.such.symbol\""});
    }
};

QUINTARA_TEST_MAIN(QmlFoundationTest)
#include "tst_qmlfoundation.moc"
