#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace quintara {

// What the library grid shows: every video, the untagged ones, one tag's, or the online gallery.
struct LibraryFilter {
    Q_GADGET
    QML_VALUE_TYPE(libraryFilter)
    Q_PROPERTY(Kind kind MEMBER kind)
    Q_PROPERTY(QString name MEMBER name)

public:
    enum class Kind { tag, all, untagged, gallery };
    Q_ENUM(Kind)

    Kind kind = Kind::all;
    QString name; // the tag, for Kind::tag only

    static LibraryFilter all() { return {Kind::all, {}}; }
    static LibraryFilter untagged() { return {Kind::untagged, {}}; }
    static LibraryFilter gallery() { return {Kind::gallery, {}}; }
    static LibraryFilter tag(const QString &name) { return {Kind::tag, name}; }

    bool isTag(const QString &tag) const { return kind == Kind::tag && name == tag; }

    friend bool operator==(const LibraryFilter &a, const LibraryFilter &b)
    {
        return a.kind == b.kind && (a.kind != Kind::tag || a.name == b.name);
    }
};

} // namespace quintara
