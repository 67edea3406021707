#include "library/FolderChooser.h"

#include <QFileDialog>

namespace quintara {

void DialogFolderChooser::configure(QFileDialog &dialog)
{
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Use Folder"));
}

std::optional<QUrl> DialogFolderChooser::chooseFolder()
{
    QFileDialog dialog(m_parent);
    configure(dialog);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QList<QUrl> urls = dialog.selectedUrls();
    if (urls.isEmpty() || urls.first().isEmpty())
        return std::nullopt;
    return urls.first();
}

} // namespace quintara
