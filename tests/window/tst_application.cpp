// An exception that leaves an event handler is shown in an error box and the program
// goes on handling events.

#include "ScriptedPrompts.h"

#include "window/ERegistryError.h"
#include "window/TApplication.h"

#include <QTest>
#include <QTimer>

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
};

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    tst_Application test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_application.moc"
