#include "settings/Brand.h"

#include "settings/QmlSingleton.h"

#include <QFontDatabase>

namespace quintara {

namespace {

QFont systemFont(int size, QFont::Weight weight)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(size);
    font.setWeight(weight);
    return font;
}

} // namespace

Brand::Brand(QObject *parent)
    : QObject(parent), m_display(systemFont(38, QFont::Bold)),
      m_section(systemFont(22, QFont::Bold)), m_eyebrow(systemFont(11, QFont::DemiBold)),
      m_tileTitle(systemFont(13, QFont::Medium)), m_meta(systemFont(12, QFont::Normal))
{}

Brand *Brand::create(QQmlEngine *qml, QJSEngine *)
{
    return qml_singleton::instance<Brand>(qml);
}

} // namespace quintara
