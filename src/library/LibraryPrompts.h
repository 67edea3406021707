#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace quintara {

// An alert with a text field (New Tag, Rename Tag).
struct TagPrompt {
    Q_GADGET
    QML_VALUE_TYPE(tagPrompt)
    Q_PROPERTY(QString title MEMBER title)
    Q_PROPERTY(QString message MEMBER message)
    Q_PROPERTY(QString placeholder MEMBER placeholder)
    Q_PROPERTY(QString text MEMBER text)
    Q_PROPERTY(QString acceptButton MEMBER acceptButton)
    Q_PROPERTY(QString cancelButton MEMBER cancelButton)

public:
    QString title;
    QString message;
    QString placeholder;
    QString text;
    QString acceptButton;
    QString cancelButton;
};

// A confirmation whose confirm button is destructive (Delete, Move to Trash).
struct Confirmation {
    Q_GADGET
    QML_VALUE_TYPE(confirmation)
    Q_PROPERTY(QString title MEMBER title)
    Q_PROPERTY(QString message MEMBER message)
    Q_PROPERTY(QString confirmButton MEMBER confirmButton)
    Q_PROPERTY(QString cancelButton MEMBER cancelButton)

public:
    QString title;
    QString message;
    QString confirmButton;
    QString cancelButton;
};

// What the empty library view says.
struct EmptyLibraryTexts {
    Q_GADGET
    QML_VALUE_TYPE(emptyLibraryTexts)
    Q_PROPERTY(QString title MEMBER title)
    Q_PROPERTY(QString symbol MEMBER symbol)
    Q_PROPERTY(QString description MEMBER description)
    Q_PROPERTY(QString galleryButton MEMBER galleryButton)
    Q_PROPERTY(QString folderButton MEMBER folderButton)

public:
    QString title, symbol, description, galleryButton, folderButton;
};

} // namespace quintara
