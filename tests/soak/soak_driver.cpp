#include "core/ucommon.h"
#include "gui_test_support.h"
#include "interface_pictures.h"
#include "program_folder.h"
#include "sandbox/sandbox_server.h"
#include "ui/picture_button.h"
#include "ui/skin.h"
#include "ui/uItemTree.h"
#include "ui/ufrmmain.h"
#include "window_controls.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFrame>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <mutex>
#include <random>
#include <regex>
#include <set>
#include <thread>

// The soak driver: the real main window against an in-process sandbox, driven with real mouse
// and key input for as long as asked while fault rules are switched on and off at random.
// Window after window it searches, pages, opens categories, adds and removes favourites,
// toggles the data cache and closes the window, and after every close checks that nothing was
// left half-done: the picture cache holds only whole "<digits>.jpg" files, and the favourites
// database holds exactly the favourites added and not removed. A watchdog ends the run when
// one step makes no progress for a minute. Usage: quenbo_soak MINUTES [SEED]. Exit status 0
// when every check held.

using namespace quenbo;
using namespace quenbo::testsupport;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

// Far beyond the program's own time-outs (30 s a transfer) and the slowest fault (3 s).
constexpr auto kHangBound = std::chrono::seconds(60);
// A close stops the workers at once; this only catches one that waits.
constexpr auto kCloseBound = std::chrono::seconds(10);
constexpr int kMaxSlowMs = 3000;
constexpr std::size_t kRecentSteps = 40;

const char *const kKeywords[] = {"连衣裙", "衬衫", "手机", "女装", "鞋", "包", "T恤", "裙"};
const char *const kFaultKinds[] = {"slow",      "truncated", "html",      "drop", "redirect_loop",
                                   "not_found", "malformed", "oversized", "empty"};

// Ends the process when the GUI thread stops making progress.
class Watchdog {
public:
    Watchdog()
        : m_thread([this] { watch(); })
    {
    }
    ~Watchdog()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }

    // Notes that the GUI thread starts step.
    void beat(std::string step)
    {
        const std::lock_guard lock(m_mutex);
        m_step = std::move(step);
        m_since = Clock::now();
    }

private:
    void watch()
    {
        std::unique_lock lock(m_mutex);
        while (!m_done) {
            m_wake.wait_for(lock, std::chrono::seconds(1));
            if (!m_done && Clock::now() - m_since > kHangBound) {
                std::cerr << "soak: HANG: no progress for " << kHangBound.count()
                          << " s in step: " << m_step << std::endl;
                std::_Exit(3);
            }
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_done = false;
    std::string m_step = "start";
    Clock::time_point m_since = Clock::now();
    std::thread m_thread;
};

struct Tally {
    int sessions = 0;
    int actions = 0;
    std::map<std::string, int> actionsByKind;
    std::map<std::string, int> faultsByKind;
    int faultRules = 0;
    int added = 0;
    int removed = 0;
    int cacheToggles = 0;
    std::map<std::string, int> messages;
    double longestActionS = 0;
    double longestCloseS = 0;
    std::vector<std::string> failures;
};

class Soak {
public:
    explicit Soak(std::uint32_t seed)
        : m_random(seed)
    {
        m_sandbox = std::make_unique<sandbox::SandboxServer>(sandbox::SandboxConfig{});
        m_sandbox->start();
        m_folder = std::make_unique<ProgramFolder>();
        writeSandboxArchive(*m_folder, m_sandbox->baseUrl());
        m_folder->createDatabase();
    }

    bool run(std::chrono::minutes length)
    {
        const auto end = Clock::now() + length;
        RecordedMessages messages;
        while (Clock::now() < end && m_tally.failures.empty())
            session(end, messages);
        for (const QString &text : messages.texts)
            ++m_tally.messages[text.toStdString()];
        return m_tally.failures.empty();
    }

    const Tally &tally() const { return m_tally; }

private:
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }
    bool chance(double p) { return std::bernoulli_distribution(p)(m_random); }
    void fail(std::string what)
    {
        for (const std::string &step : m_recent)
            what += "\n    after: " + step;
        m_tally.failures.push_back(std::move(what));
    }
    // Keeps the last steps, which a failure lists.
    void note(std::string step)
    {
        if (m_recent.size() == kRecentSteps)
            m_recent.pop_front();
        m_recent.push_back(std::move(step));
    }

    // One window from creation to close, then the checks of what it left behind.
    void session(Clock::time_point end, RecordedMessages &messages)
    {
        ++m_tally.sessions;
        m_watchdog.beat("creating window " + std::to_string(m_tally.sessions));
        m_window = std::make_unique<Tfrm_main>(appDir(*m_folder));
        m_window->show();
        if (!QTest::qWaitForWindowExposed(m_window.get()))
            fail("the window did not show");
        // The first loading comes from the window's own timer, about a second after it shows.
        m_watchdog.beat("first loading");
        if (!QTest::qWaitFor([&] { return !ui(m_window).pnl_load->isVisible(); }, 20000))
            fail("the first loading of window " + std::to_string(m_tally.sessions) +
                 " never ended");

        const int actions = pick(20, 80);
        for (int i = 0; i < actions && Clock::now() < end; ++i) {
            const std::size_t messagesBefore = messages.texts.size();
            const auto from = Clock::now();
            act(messages, messagesBefore);
            m_tally.longestActionS = std::max(
                m_tally.longestActionS, std::chrono::duration<double>(Clock::now() - from).count());
        }
        close();
        checkLeftovers();
        post("/__control/clear", "");
    }

    void act(RecordedMessages &messages, std::size_t messagesBefore)
    {
        struct Action {
            const char *name;
            int weight;
            std::function<void()> run;
        };
        const Action actions[] = {
            {"search", 8, [&] { search(); }},
            {"next page", 6, [&] { QTest::mouseClick(ui(m_window).b_Pnext, Qt::LeftButton); }},
            {"previous page", 3, [&] { QTest::mouseClick(ui(m_window).B_PFrist, Qt::LeftButton); }},
            {"choose page", 3, [&] { choosePage(); }},
            {"open category", 6, [&] { openCategory(false); }},
            {"search category", 3, [&] { openCategory(true); }},
            {"favourite button", 6, [&] { pressFavouriteButton(messages, messagesBefore); }},
            {"favourites view", 3, [&] { QTest::mouseClick(ui(m_window).b_sc, Qt::LeftButton); }},
            {"back from favourites", 3,
             [&] {
                 if (ui(m_window).b_fshop->isVisible())
                     QTest::mouseClick(ui(m_window).b_fshop, Qt::LeftButton);
             }},
            {"sort", 3, [&] { sort(); }},
            {"preview", 3, [&] { hoverThumbnail(); }},
            {"data cache", 2, [&] { toggleDataCache(); }},
            {"fault", 10, [&] { injectFault(); }},
            {"clear faults", 2, [&] { post("/__control/clear", ""); }},
            {"wait", 4, [&] { QTest::qWait(pick(50, 1500)); }},
        };
        int total = 0;
        for (const Action &a : actions)
            total += a.weight;
        int chosen = pick(0, total - 1);
        for (const Action &a : actions) {
            if (chosen >= a.weight) {
                chosen -= a.weight;
                continue;
            }
            ++m_tally.actions;
            ++m_tally.actionsByKind[a.name];
            m_watchdog.beat(std::string(a.name) + " (action " + std::to_string(m_tally.actions) +
                            ")");
            note(a.name);
            a.run();
            QCoreApplication::processEvents();
            return;
        }
    }

    void search()
    {
        QLineEdit *box = ui(m_window).E_Serch;
        box->setFocus();
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_Delete);
        // Chinese text arrives as an input method's commit, as a user's input method sends it.
        QInputMethodEvent commit;
        commit.setCommitString(
            QString::fromUtf8(kKeywords[pick(0, int(std::size(kKeywords)) - 1)]));
        QCoreApplication::sendEvent(box, &commit);
        QTest::mouseClick(ui(m_window).b_Srech, Qt::LeftButton);
    }

    void choosePage()
    {
        if (!ui(m_window).pnl_PageControls->isEnabled())
            return;
        PageComboBox *pages = ui(m_window).cbox_pagecount;
        pages->setFocus();
        QTest::keyClick(pages, Qt::Key_F4);
        if (!QTest::qWaitFor([&] { return pages->view()->isVisible(); }, 2000))
            return;
        QTest::keyClicks(pages->view(), QString::number(pick(1, 99)));
        QTest::keyClick(pages->view(), Qt::Key_Return);
        if (pages->view()->isVisible())
            QTest::keyClick(pages->view(), Qt::Key_Escape);
    }

    // The category rows wholly on screen: the top level and the children of open categories.
    std::vector<QModelIndex> visibleCategories() const
    {
        QTreeView *tree = ui(m_window).vlefttree;
        std::vector<QModelIndex> rows;
        for (QModelIndex row = tree->model()->index(0, 0); row.isValid();
             row = tree->indexBelow(row)) {
            const QRect rect = tree->visualRect(row);
            if (rect.top() >= 0 && rect.bottom() < tree->viewport()->height())
                rows.push_back(row);
        }
        return rows;
    }

    void openCategory(bool doubleClick)
    {
        const auto rows = visibleCategories();
        if (rows.empty())
            return;
        QTreeView *tree = ui(m_window).vlefttree;
        const QPoint at(40, tree->visualRect(rows[pick(0, int(rows.size()) - 1)]).top() + 12);
        if (doubleClick)
            testsupport::doubleClick(tree->viewport(), at);
        else
            click(tree->viewport(), at);
    }

    // The item rows wholly on screen, with their ids.
    std::vector<std::pair<std::string, int>> visibleItems() const
    {
        QListView *view = ui(m_window).itemTree;
        const ItemListModel &model = testsupport::itemRows(view);
        std::vector<std::pair<std::string, int>> rows;
        for (int i = 0; i < model.rowCount(); ++i) {
            const int top = view->visualRect(model.index(i)).top();
            if (top >= 0 && top + TItemTree::kRowHeight <= view->viewport()->height())
                rows.emplace_back(model.row(i).record.NumIid, top);
        }
        return rows;
    }

    // The third button of a row: adds the item to the favourites, or removes it when the row
    // shows it as one (its button then shows the removal picture: the favourites listed, and
    // rows of theirs in the lists shown after that). What the program took without a complaint
    // is what the database must hold in the end.
    void pressFavouriteButton(RecordedMessages &messages, std::size_t messagesBefore)
    {
        const auto rows = visibleItems();
        if (rows.empty())
            return;
        const auto &[id, top] = rows[std::size_t(pick(0, int(rows.size()) - 1))];
        // The button ignores a second press on its row within the gap; a row keeps its place
        // when its favourite goes, so the same row may come up again at once.
        if (id == m_lastFavouriteId)
            QTest::qWait(TItemTree::kFavouritePressGapMs + 50);
        m_lastFavouriteId = id;
        const bool removal = m_window->Common().IsFavourite(id);
        click(ui(m_window).itemTree->viewport(), QPoint(630, top + 65));
        note(std::string(removal ? "removed " : "added ") + id);
        if (messages.texts.size() != messagesBefore)
            return;
        if (removal) {
            m_expected.erase(id);
            ++m_tally.removed;
        } else if (m_expected.insert(id).second) {
            ++m_tally.added;
        }
    }

    void sort()
    {
        PictureButton *const buttons[] = {ui(m_window).b_xin, ui(m_window).b_jiage,
                                          ui(m_window).b_xiao, ui(m_window).b_fan};
        QTest::mouseClick(buttons[pick(0, 3)], Qt::LeftButton);
    }

    void hoverThumbnail()
    {
        const auto rows = visibleItems();
        if (rows.empty())
            return;
        const int top = rows[std::size_t(pick(0, int(rows.size()) - 1))].second;
        sendMouse(ui(m_window).itemTree->viewport(), QEvent::MouseMove, QPoint(40, top + 40));
        QTest::qWait(pick(20, 300));
        sendMouse(ui(m_window).itemTree->viewport(), QEvent::MouseMove, QPoint(400, top + 40));
    }

    // Alt+S opens the settings menu at "数据缓存", Return chooses it.
    void toggleDataCache()
    {
        m_window->activateWindow();
        if (!QTest::qWaitForWindowActive(m_window.get()))
            return;
        QTest::keyClick(m_window.get(), Qt::Key_S, Qt::AltModifier);
        QMenu *settings = ui(m_window).N3->menu();
        if (QApplication::activePopupWidget() != settings)
            return;
        QTest::keyClick(settings, Qt::Key_Return);
        ++m_tally.cacheToggles;
    }

    void injectFault()
    {
        const std::string kind = kFaultKinds[pick(0, int(std::size(kFaultKinds)) - 1)];
        std::string form;
        switch (pick(0, 4)) {
        case 0:
            form = "path=/router/rest&method=taobao.taobaoke.items.get";
            break;
        case 1:
            form = "path=/router/rest&method=taobao.itemcats.get";
            break;
        case 2:
            form = "path=/index.xml";
            break;
        case 3:
            form = "path=/bate.txt";
            break;
        default: {
            const auto rows = visibleItems();
            const auto &items = m_sandbox->catalogue().items();
            form = "picture=" + (rows.empty() || chance(0.2)
                                     ? items[std::size_t(pick(0, int(items.size()) - 1))].numIid
                                     : rows[std::size_t(pick(0, int(rows.size()) - 1))].first);
        }
        }
        form += "&kind=" + kind;
        if (kind == "slow")
            form += "&delay_ms=" + std::to_string(pick(50, kMaxSlowMs));
        else if (kind == "truncated" && chance(0.5))
            form += "&bytes=" + std::to_string(pick(0, 4000));
        else if (kind == "oversized" && chance(0.7))
            form += "&bytes=" + std::to_string(pick(4200000, 6000000));
        if (chance(0.7))
            form += "&times=" + std::to_string(pick(1, 5));
        note("fault " + form);
        if (post("/__control/fault", form)) {
            ++m_tally.faultRules;
            ++m_tally.faultsByKind[kind];
        } else {
            fail("the sandbox refused the fault rule " + form);
        }
    }

    bool post(const std::string &path, const std::string &form)
    {
        httplib::Client client(m_sandbox->baseUrl());
        const auto result = client.Post(path.c_str(), form, "application/x-www-form-urlencoded");
        return result && result->status == 200;
    }

    // "退出" from the file menu (Alt+F, Return), then the window's destruction, bounded.
    void close()
    {
        m_watchdog.beat("closing window " + std::to_string(m_tally.sessions));
        const auto from = Clock::now();
        m_window->activateWindow();
        if (QTest::qWaitForWindowActive(m_window.get())) {
            QTest::keyClick(m_window.get(), Qt::Key_F, Qt::AltModifier);
            if (QMenu *file = ui(m_window).N1->menu(); QApplication::activePopupWidget() == file)
                QTest::keyClick(file, Qt::Key_Return);
        }
        m_window.reset();
        const double took = std::chrono::duration<double>(Clock::now() - from).count();
        m_tally.longestCloseS = std::max(m_tally.longestCloseS, took);
        if (Clock::now() - from > kCloseBound)
            fail("closing window " + std::to_string(m_tally.sessions) + " took " +
                 std::to_string(took) + " s");
        QCoreApplication::processEvents();
        if (!QApplication::topLevelWidgets().isEmpty())
            fail(std::to_string(QApplication::topLevelWidgets().size()) +
                 " top-level widgets outlived window " + std::to_string(m_tally.sessions));
    }

    void checkLeftovers()
    {
        static const std::regex cached("[0-9]+\\.jpg");
        std::error_code error;
        for (const auto &entry : fs::directory_iterator(m_folder->tempDir(), error)) {
            const std::string name = entry.path().filename().string();
            if (!std::regex_match(name, cached) || !entry.is_regular_file() ||
                entry.file_size() == 0)
                fail("after window " + std::to_string(m_tally.sessions) + ", temp/ holds " + name +
                     (entry.is_regular_file() && entry.file_size() == 0 ? " (empty)" : ""));
        }
        std::vector<std::string> stored = storedFavouriteIds(m_folder->databaseFile());
        const std::set<std::string> storedSet(stored.begin(), stored.end());
        if (storedSet != m_expected || stored.size() != storedSet.size()) {
            std::string what = "after window " + std::to_string(m_tally.sessions) +
                               ", the database holds " + std::to_string(stored.size()) +
                               " favourites, expected " + std::to_string(m_expected.size()) + ":";
            for (const std::string &id : m_expected)
                if (!storedSet.contains(id))
                    what += " missing " + id;
            for (const std::string &id : storedSet)
                if (!m_expected.contains(id))
                    what += " unexpected " + id;
            fail(what);
        }
    }

    std::mt19937 m_random;
    Watchdog m_watchdog;
    std::unique_ptr<sandbox::SandboxServer> m_sandbox;
    std::unique_ptr<ProgramFolder> m_folder;
    std::unique_ptr<Tfrm_main> m_window;
    std::set<std::string> m_expected;
    std::string m_lastFavouriteId;  // the row whose favourite button was pressed last
    std::deque<std::string> m_recent;
    Tally m_tally;
};

void report(const Tally &tally, int minutes, std::uint32_t seed, bool passed)
{
    std::cout << "soak: " << minutes << " min, seed " << seed << "\n";
    std::cout << "windows opened and closed: " << tally.sessions << ", actions: " << tally.actions
              << "\n ";
    for (const auto &[name, count] : tally.actionsByKind)
        std::cout << " " << name << " " << count << ";";
    std::cout << "\nfault rules injected: " << tally.faultRules << "\n ";
    for (const auto &[name, count] : tally.faultsByKind)
        std::cout << " " << name << " " << count << ";";
    std::cout << "\nfavourites added " << tally.added << ", removed " << tally.removed
              << "; data cache toggled " << tally.cacheToggles << " times\n";
    std::cout << "longest action " << tally.longestActionS << " s, longest close "
              << tally.longestCloseS << " s\n";
    for (const auto &[text, count] : tally.messages)
        std::cout << "message box x" << count << ": " << text << "\n";
    for (const std::string &failure : tally.failures)
        std::cout << "FAILED: " << failure << "\n";
    std::cout << "result: " << (passed ? "PASS" : "FAIL") << std::endl;
}

}  // namespace

int main(int argc, char *argv[])
{
    const int minutes = argc >= 2 ? std::atoi(argv[1]) : 0;
    if (minutes <= 0) {
        std::cerr << "usage: quenbo_soak MINUTES [SEED]\n";
        return 2;
    }
    const std::uint32_t seed =
        argc >= 3 ? std::uint32_t(std::strtoul(argv[2], nullptr, 10)) : std::random_device{}();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    installFontSubstitutions();
    Soak soak(seed);
    const bool passed = soak.run(std::chrono::minutes(minutes));
    report(soak.tally(), minutes, seed, passed);
    return passed ? 0 : 1;
}
