// An exception that leaves an event handler is shown in an error box and the program
// goes on handling events.

#include "ScriptedPrompts.h"

#include "engine/THandOverChannel.h"
#include "registry/ERegistryError.h"
#include "window/TApplication.h"

#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <memory>
#include <stdexcept>

using namespace Qt::StringLiterals;

namespace {

class TThrower : public QObject
{
public:
    bool Registry = true;

protected:
    bool event(QEvent *event) override
    {
        if (event->type() == QEvent::User) {
            if (Registry)
                throw ERegistryError(u"Invalid data type for 'LangID'"_s);
            throw std::runtime_error("disk on fire");
        }
        return QObject::event(event);
    }
};

} // namespace

class tst_Application : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void anEscapedErrorIsShownAndTheLoopGoesOn()
    {
        auto *app = qobject_cast<TApplication *>(QCoreApplication::instance());
        QVERIFY(app);
        TScriptedPrompts prompts;
        app->SetPrompts(&prompts);
        TThrower thrower;
        QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
        bool later = false;
        QTimer::singleShot(50, &thrower, [&] { later = true; });
        QTRY_VERIFY(later);
        QCOMPARE(prompts.Asked, QStringList{u"error: Invalid data type for 'LangID'"_s});

        thrower.Registry = false;
        QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
        QTRY_COMPARE(prompts.Asked.size(), 2);
        QCOMPARE(prompts.Asked.at(1), u"error: disk on fire"_s);
        app->SetPrompts(nullptr);
    }

    // A finding whose delivery fails: the error box shows why, and the worker is not left
    // waiting and goes on delivering.
    void aFailedHandOverIsShownAndTheWorkerGoesOn()
    {
        auto *app = qobject_cast<TApplication *>(QCoreApplication::instance());
        QVERIFY(app);
        TScriptedPrompts prompts;
        app->SetPrompts(&prompts);
        QList<int> delivered;
        THandOverChannel channel([&delivered](int what) {
            if (what == 1)
                throw std::runtime_error("list is full");
            delivered.append(what);
        });
        std::unique_ptr<QThread> worker(QThread::create([&channel] {
            channel.Call(1);
            channel.Call(2);
        }));
        QSignalSpy finished(worker.get(), &QThread::finished);
        worker->start();
        QVERIFY(finished.wait(20000));
        QCOMPARE(delivered, QList<int>{2});
        QTRY_COMPARE(prompts.Asked, QStringList{u"error: list is full"_s});
        app->SetPrompts(nullptr);
    }
};

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    tst_Application test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_application.moc"
