#include "activities/ChatApps.h"

namespace quintara {

const QList<ChatAppNames> &chatAppNames()
{
    static const QList<ChatAppNames> table{
        {QStringLiteral("com.openai.codex"),
         {QStringLiteral("ChatGPT"), QStringLiteral("Codex")},
         {QStringLiteral("chatgpt"), QStringLiteral("chatgpt-desktop"),
          QStringLiteral("codex-desktop")}},
        {QStringLiteral("com.anthropic.claudefordesktop"),
         {QStringLiteral("Claude")},
         {QStringLiteral("claude-desktop")}},
    };
    return table;
}

bool isChatApp(const QString &bundleID, const AccessibilityTree::Application &application)
{
    for (const ChatAppNames &names : chatAppNames())
        if (names.bundleID == bundleID)
            return names.accessibleNames.contains(application.name, Qt::CaseInsensitive) ||
                   (!application.processName.isEmpty() &&
                    names.processNames.contains(application.processName, Qt::CaseInsensitive));
    return false;
}

} // namespace quintara
