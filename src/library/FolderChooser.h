#pragma once

#include <QString>
#include <QUrl>
#include <optional>

class QFileDialog;
class QWidget;

namespace quintara {

// The system folder chooser, behind an interface so that the library flows run without a dialog.
class FolderChooser {
public:
    virtual ~FolderChooser() = default;
    // The folder the user confirmed, or nothing when they cancelled.
    virtual std::optional<QUrl> chooseFolder() = 0;
};

// A modal folder dialog whose confirm button reads "Use Folder".
class DialogFolderChooser final : public FolderChooser {
public:
    explicit DialogFolderChooser(QWidget *parent = nullptr) : m_parent(parent) {}
    std::optional<QUrl> chooseFolder() override;

    // Directories only, one of them, confirmed with "Use Folder".
    static void configure(QFileDialog &dialog);

private:
    QWidget *m_parent;
};

} // namespace quintara
