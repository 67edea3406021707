#include "activities/ChatAppWatcher.h"

#include "activities/ChatApps.h"
#include "platform/WorkQueue.h"

#include <QSet>
#include <algorithm>

namespace quintara {

namespace {

using Element = AccessibilityTree::Element;

struct Pass {
    bool trusted = false;
    QList<ChatAppWatcher::Result> results;
};

bool showsStopLabel(AccessibilityTree &tree, const Element &button)
{
    const QStringList labels = tree.labels(button);
    return std::any_of(labels.cbegin(), labels.cend(), ChatAppWatcher::isStopLabel);
}

bool isWriting(AccessibilityTree &tree, const Element &window)
{
    // An application that searches its own tree answers in one request.
    if (const std::optional<QList<Element>> buttons =
            tree.pushButtons(window, ChatAppWatcher::searchLimit))
        return std::any_of(buttons->cbegin(), buttons->cend(),
                           [&tree](const Element &button) { return showsStopLabel(tree, button); });
    // Otherwise depth first, the last child first, up to the limit.
    QList<Element> stack{window};
    for (int examined = 0; !stack.isEmpty() && examined < ChatAppWatcher::searchLimit; ++examined) {
        const Element element = stack.takeLast();
        if (tree.role(element) == AccessibilityTree::Role::pushButton &&
            showsStopLabel(tree, element))
            return true;
        stack.append(tree.children(element));
    }
    return false;
}

ActivityReport chatReport(const ChatAppWatcher::App &app, const char *state, const QString &title)
{
    return {{QLatin1String(reportKey::id), QStringLiteral("app-") + app.bundleID},
            {QLatin1String(reportKey::source), app.source},
            {QLatin1String(reportKey::state), QString::fromLatin1(state)},
            {QLatin1String(reportKey::title), title}};
}

} // namespace

ChatAppWatcher::ChatAppWatcher(Scheduler &scheduler, WorkQueue &queue,
                               std::shared_ptr<AccessibilityTree> tree, QObject *parent)
    : QObject(parent), m_scheduler(scheduler), m_queue(queue), m_tree(std::move(tree))
{}

void ChatAppWatcher::start()
{
    if (m_timer.isPending())
        return;
    m_timer = m_scheduler.every(interval, this, [this] { poll(); });
}

void ChatAppWatcher::stop()
{
    m_timer.cancel();
    m_generating.clear();
    ++m_generation;
}

bool ChatAppWatcher::isStopLabel(const QString &label)
{
    static const QSet<QString> labels{QStringLiteral("stop response"),
                                      QStringLiteral("stop generating"),
                                      QStringLiteral("stop streaming"), QStringLiteral("stop")};
    return labels.contains(label.toLower());
}

void ChatAppWatcher::poll()
{
    // One pass at a time: a slow application never piles up passes behind it.
    if (m_apps.isEmpty() || m_passUnderWay)
        return;
    m_passUnderWay = true;
    m_queue.run<Pass>(
        [tree = m_tree, apps = m_apps] {
            Pass pass;
            pass.trusted = tree->isTrusted();
            if (!pass.trusted)
                return pass;
            const QList<AccessibilityTree::Application> running = tree->applications();
            for (const App &app : apps) {
                const auto found =
                    std::find_if(running.cbegin(), running.cend(), [&app](const auto &candidate) {
                        return isChatApp(app.bundleID, candidate);
                    });
                if (found != running.cend())
                    pass.results.append({app, generatingWindowTitle(*tree, found->element)});
            }
            return pass;
        },
        this,
        [this, generation = m_generation](Pass pass) {
            m_passUnderWay = false;
            if (generation == m_generation && pass.trusted)
                update(pass.results);
        });
}

std::optional<QString> ChatAppWatcher::generatingWindowTitle(AccessibilityTree &tree,
                                                             const Element &application)
{
    for (const Element &window : tree.windows(application)) {
        if (!isWriting(tree, window))
            continue;
        const QString title = tree.name(window);
        return title.isEmpty() ? QStringLiteral("Writing a response") : title;
    }
    return std::nullopt;
}

void ChatAppWatcher::update(const QList<Result> &results)
{
    QSet<QString> running;
    for (const auto &[app, title] : results) {
        running.insert(app.bundleID);
        const auto previous = m_generating.constFind(app.bundleID);
        const bool wasWriting = previous != m_generating.cend();
        if (!title && wasWriting) {
            const QString last = *previous;
            m_generating.remove(app.bundleID);
            emit activity(chatReport(app, "done", last));
        } else if (title && !wasWriting) {
            m_generating.insert(app.bundleID, *title);
            emit activity(chatReport(app, "running", *title));
        } else if (title) {
            // The activity keeps the title it started with until the done report.
            m_generating.insert(app.bundleID, *title);
        }
    }
    // An app that quit while writing leaves its activity as it was.
    m_generating.removeIf([&running](const auto &entry) { return !running.contains(entry.key()); });
}

} // namespace quintara
