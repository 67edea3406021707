#pragma once

#include <QString>

namespace quintara {

// A short notice about gallery work done in the background: what a hand-off shows on the
// Dynamic Island.
struct GalleryNotice {
    QString symbol; // symbol name, for example "checkmark.circle.fill"
    QString title;
    QString subtitle;
    double seconds = 0; // how long it stays up
    friend bool operator==(const GalleryNotice &, const GalleryNotice &) = default;
};

// Where gallery notices go; the island provides one once it exists.
class GalleryAnnouncer {
public:
    virtual ~GalleryAnnouncer() = default;
    virtual void announce(const GalleryNotice &notice) = 0;
};

} // namespace quintara
