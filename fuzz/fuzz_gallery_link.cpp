// A quintara: link as the command line or a second instance hands it over: read into the gallery
// ids it asks for, and those ids, written into a new link, read back the same.
#include "FuzzSupport.h"
#include "gallery/GalleryLink.h"

#include <QUrl>

using namespace quintara;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::environment();
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const QUrl link(text); // as the running instance makes it from the forwarded argument
    const std::optional<QStringList> ids = galleryLinkIds(link);
    FUZZ_CHECK(ids.has_value() == (link.isValid() && link.scheme() == QLatin1String("quintara") &&
                                   link.host() == QLatin1String("add")));
    if (!ids)
        return 0;
    for (const QString &id : *ids)
        FUZZ_CHECK(!id.isEmpty() && !id.contains(QLatin1Char(',')));
    // Qt writes some noncharacters (U+BFFFF) into a link's text as a broken sequence that reads
    // back as U+FFFD, so ids with them cannot travel as text; nothing of ours to check there.
    for (const QString &id : *ids)
        for (const char32_t c : id.toUcs4())
            if (QChar::isNonCharacter(c))
                return 0;
    // The same link passed on as text reads the same.
    FUZZ_CHECK(galleryLinkIds(QUrl(link.toString(QUrl::FullyEncoded))) == ids);

    // Percent-encoded here: QUrlQuery would take a "%" in an id for an escape of its own.
    QUrl written(QStringLiteral("quintara://add"));
    written.setQuery(QStringLiteral("ids=") +
                         QString::fromLatin1(QUrl::toPercentEncoding(ids->join(QLatin1Char(',')))),
                     QUrl::StrictMode);
    FUZZ_CHECK(galleryLinkIds(QUrl(written.toString(QUrl::FullyEncoded))) == ids);
    return 0;
}
