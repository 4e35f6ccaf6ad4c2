#include "ardwell/link/frmmain.h"

#include "ardwell/bench/lamps.h"
#include "ardwell/link/link.h"
#include "ardwell/link/linkstate.h"
#include "ardwell/link/settings.h"
#include "platform/dialogs.h"
#include "platform/runtimeerror.h"
#include "platform/vbtext.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace ardwell {

namespace {

const QString kFormLoad = QStringLiteral("Error Main Form Load routine : ");
const QString kFormUnload = QStringLiteral("Error Form Unload routine : ");
const QString kExitAndWrite = QStringLiteral("Error Exiting Sub Mode routine : ");

const char* const kModelOptions[] = {"opt126", "opt330", "opt340", "opt560", "optPCA"};

} // namespace

QString versionText(int major, int minor, int revision)
{
    return QStringLiteral("V%1.%2%3").arg(major).arg(minor).arg(revision);
}

frmMain::frmMain(const plat::Services& services, LinkState& state, QWidget* parent)
    : QWidget(parent), svc_(services), st_(state), timer1_(*services.sched), timer2_(*services.sched),
      timer5_(*services.sched)
{
    buildControls();

    timer1_.setInterval(kStatusLampTickMs);
    timer1_.onTick = [this] { Timer1_Timer(); };
    timer2_.setInterval(kReplyTickMs);
    timer2_.onTick = [this] { Timer2_Timer(); };
    timer5_.setInterval(kCoinLampTickMs);
    timer5_.onTick = [this] { Timer5_Timer(); };
    timer1_.setEnabled(true);
    timer2_.setEnabled(true);
    timer5_.setEnabled(true);
}

frmMain::~frmMain() = default;

// ---------------------------------------------------------------------------------------------
// Controls

QString frmMain::key(const QString& name, int index)
{
    return index < 0 ? name : name + QLatin1Char('(') + QString::number(index) + QLatin1Char(')');
}

void frmMain::reg(QWidget* w, const QString& name, int index)
{
    w->setObjectName(key(name, index));
    controls_.insert(key(name, index), w);
}

QWidget* frmMain::find(const QString& name, int index) const { return controls_.value(key(name, index)); }

QWidget* frmMain::control(const QString& name, int index) const { return find(name, index); }

void frmMain::buildControls()
{
    reg(this, QStringLiteral("frmMain"));
    auto* top = new QVBoxLayout(this);

    auto label = [this](QWidget* parent, const QString& name, const QString& caption = {}, int index = -1) {
        auto* l = new QLabel(caption, parent);
        if (!name.isEmpty())
            reg(l, name, index);
        return l;
    };
    auto button = [this](QWidget* parent, const QString& name, const QString& caption, int index = -1) {
        auto* b = new QPushButton(caption, parent);
        reg(b, name, index);
        return b;
    };
    auto combo = [this](QWidget* parent, const QString& name, bool editable = false) {
        auto* c = new QComboBox(parent);
        c->setEditable(editable);
        c->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        reg(c, name);
        return c;
    };
    auto lamp = [this](QWidget* parent, const QString& name, int index = -1,
                       plat::Lamp::Shape shape = plat::Lamp::Shape::Circle) {
        auto* s = new plat::Lamp(parent, shape);
        reg(s, name, index);
        return s;
    };
    auto frame = [this](const QString& name, const QString& caption) {
        auto* g = new QGroupBox(caption, this);
        reg(g, name);
        return g;
    };

    // Versions and the box's debug line.
    auto* head = new QHBoxLayout;
    head->addWidget(label(this, QStringLiteral("lblSWversion")));
    head->addWidget(label(this, QStringLiteral("lblHWversion")), 1);
    head->addWidget(label(this, QStringLiteral("lbldebug")));
    top->addLayout(head);

    // Main selection and configuration side by side.
    auto* row = new QHBoxLayout;
    {
        auto* f = frame(QStringLiteral("frmMain1"), QStringLiteral("Main Selection"));
        auto* l = new QVBoxLayout(f);
        auto* prog = button(f, QStringLiteral("cmdProgramme"), QStringLiteral("Program Coin Mech"));
        auto* adj = button(f, QStringLiteral("cmdAdjust"), QStringLiteral("Adjust Settings"));
        auto* test = button(f, QStringLiteral("cmdTest"), QStringLiteral("Test Coin Mech"));
        l->addWidget(prog);
        l->addWidget(adj);
        l->addWidget(test);
        connect(prog, &QPushButton::clicked, this, [this] { cmdProgramme_Click(); });
        connect(adj, &QPushButton::clicked, this, [this] { cmdAdjust_Click(); });
        connect(test, &QPushButton::clicked, this, [this] { cmdTest_Click(); });
        row->addWidget(f);
    }
    {
        auto* f = frame(QStringLiteral("frmConfig"), QStringLiteral("Configuration"));
        auto* g = new QGridLayout(f);
        int col = 0;
        for (const char* name : kModelOptions) {
            const QString n = QString::fromLatin1(name);
            auto* o = new QRadioButton(n.mid(3), f);
            reg(o, n);
            g->addWidget(o, 0, col++);
        }
        static_cast<QRadioButton*>(find(QStringLiteral("opt330"), -1))->setChecked(true);
        plat::onClick(static_cast<QRadioButton*>(find(QStringLiteral("opt126"), -1)), [this] { opt126_Click(); });
        plat::onClick(static_cast<QRadioButton*>(find(QStringLiteral("opt330"), -1)), [this] { opt330_Click(); });
        plat::onClick(static_cast<QRadioButton*>(find(QStringLiteral("opt340"), -1)), [this] { opt340_Click(); });
        plat::onClick(static_cast<QRadioButton*>(find(QStringLiteral("opt560"), -1)), [this] { opt560_Click(); });
        plat::onClick(static_cast<QRadioButton*>(find(QStringLiteral("optPCA"), -1)), [this] { optPCA_Click(); });

        g->addWidget(new QLabel(QStringLiteral("COM Port"), f), 1, 0);
        auto* port = combo(f, QStringLiteral("cmbPort"));
        g->addWidget(port, 1, 1);
        connect(port, &QComboBox::currentIndexChanged, this, [this](int) { cmbPort_Click(); });

        g->addWidget(new QLabel(QStringLiteral("Source"), f), 2, 0);
        auto* src = new QLineEdit(QStringLiteral("61"), f);
        reg(src, QStringLiteral("txtSource"));
        g->addWidget(src, 2, 1);
        g->addWidget(new QLabel(QStringLiteral("Destination"), f), 2, 2);
        auto* dst = new QLineEdit(QStringLiteral("FF"), f);
        reg(dst, QStringLiteral("txtDestination"));
        g->addWidget(dst, 2, 3);
        for (auto* e : {src, dst})
            e->setMaxLength(2);

        // Memory range fields kept for the link's own use; not for the user.
        for (const char* name : {"txtStartAddress", "TxtEndAddress"}) {
            auto* e = new QLineEdit(f);
            reg(e, QString::fromLatin1(name));
            e->hide();
        }
        row->addWidget(f);
    }
    top->addLayout(row);

    // Programme panel.
    {
        auto* f = frame(QStringLiteral("frmProgramme"), QStringLiteral("Programme Coin"));
        auto* g = new QGridLayout(f);
        g->addWidget(new QLabel(QStringLiteral("Coin Channel"), f), 0, 0);
        g->addWidget(combo(f, QStringLiteral("cmbCoinNumber")), 0, 1);
        auto* count = combo(f, QStringLiteral("cmbCoinCount"));
        count->addItems({"10", "15", "20", "25"});
        g->addWidget(count, 0, 2);
        g->addWidget(label(f, QStringLiteral("lblCoinCount")), 0, 3);
        auto* log = new QCheckBox(QStringLiteral("Log Results"), f);
        reg(log, QStringLiteral("chkLogging"));
        g->addWidget(log, 1, 0);
        auto* fin = button(f, QStringLiteral("cmdExitProgramme"), QStringLiteral("Finish Programming"));
        connect(fin, &QPushButton::clicked, this, [this] { cmdExitProgramme_Click(); });
        g->addWidget(fin, 1, 3);
        top->addWidget(f);
    }

    // Adjust panel: the coin settings lists.
    {
        auto* f = frame(QStringLiteral("frmAdjust"), QStringLiteral("Adjust Settings"));
        auto* g = new QGridLayout(f);
        int r = 0;
        auto add = [&](QLabel* caption, QWidget* w) {
            g->addWidget(caption, r, 0);
            g->addWidget(w, r, 1);
            ++r;
        };
        add(new QLabel(QStringLiteral("Coin Channel"), f), combo(f, QStringLiteral("cmbChangeCoin")));
        add(label(f, QStringLiteral("lblinhline"), QStringLiteral("Inhibit Line")), combo(f, QStringLiteral("cmbInhibitLine")));
        add(new QLabel(QStringLiteral("Output Line"), f), combo(f, QStringLiteral("cmbOutput"), true));
        auto* bin = new QLineEdit(f);
        reg(bin, QStringLiteral("txtBinary"));
        add(label(f, QStringLiteral("lblBinary"), QStringLiteral("Hex Code")), bin);
        add(label(f, QStringLiteral("lblPlug"), QStringLiteral("Routing Header")), combo(f, QStringLiteral("cmbPlugDecode")));
        add(label(f, QStringLiteral("lblRoute"), QStringLiteral("Memory Routing")), combo(f, QStringLiteral("cmbRoute")));
        add(new QLabel(QStringLiteral("Default Route"), f), combo(f, QStringLiteral("cmbDefaultRoute")));
        top->addWidget(f);
    }

    // Test panel of models 330 and 126.
    {
        auto* f = frame(QStringLiteral("frmTest"), QStringLiteral("Test Coin Mech"));
        auto* g = new QGridLayout(f);
        for (int i = 0; i < 8; ++i) {
            g->addWidget(label(f, QStringLiteral("lblCoin"), QStringLiteral("Coin ") + QChar('A' + i), i), i, 0);
            g->addWidget(lamp(f, QStringLiteral("shpCoin"), i), i, 1);
            g->addWidget(label(f, QStringLiteral("lblTestCount"), QStringLiteral("0"), i), i, 2);
        }
        top->addWidget(f);
    }

    // Test panel of models 560 and PCA.
    {
        auto* f = frame(QStringLiteral("frmPCAtest"), QStringLiteral("560 Test"));
        auto* g = new QGridLayout(f);
        for (int i = 0; i < 16; ++i) {
            const int r = i % 8, c = (i / 8) * 4;
            g->addWidget(label(f, QStringLiteral("lblAccCoin"), QStringLiteral("Coin") + QString::number(i + 1), i), r, c);
            g->addWidget(lamp(f, QStringLiteral("shpLamp"), i), r, c + 1);
            g->addWidget(label(f, QStringLiteral("lblAccCount"), {}, i), r, c + 2);
            g->addWidget(label(f, QStringLiteral("lblRouted"), {}, i), r, c + 3);
        }
        g->addWidget(new QLabel(QStringLiteral("Rejected"), f), 8, 0);
        g->addWidget(lamp(f, QStringLiteral("shpRejected")), 8, 1);
        g->addWidget(label(f, QStringLiteral("lblRejectCount")), 8, 2);
        g->addWidget(new QLabel(QStringLiteral("Reject Reason"), f), 9, 0);
        g->addWidget(label(f, QStringLiteral("lblRejectedReason")), 9, 1, 1, 7);
        top->addWidget(f);
    }

    // Test panel of model 340.
    {
        auto* f = frame(QStringLiteral("frm340test"), QStringLiteral("340 Test Mode"));
        auto* g = new QGridLayout(f);
        for (int i = 0; i < 4; ++i) {
            g->addWidget(new QLabel(QStringLiteral("Player ") + QString::number(i + 1), f), i, 0);
            g->addWidget(lamp(f, QStringLiteral("shpPlayer"), i), i, 1);
            g->addWidget(label(f, QStringLiteral("lblPlayerCount"), QStringLiteral("0"), i), i, 2);
        }
        g->addWidget(new QLabel(QStringLiteral("Coin Meter"), f), 4, 0);
        g->addWidget(lamp(f, QStringLiteral("shpCoinMeter")), 4, 1);
        g->addWidget(label(f, QStringLiteral("lblMeterCount"), QStringLiteral("0")), 4, 2);
        g->addWidget(new QLabel(QStringLiteral("ELAMP"), f), 5, 0);
        g->addWidget(lamp(f, QStringLiteral("shpELAMP")), 5, 1);
        g->addWidget(new QLabel(QStringLiteral("PLAMP"), f), 6, 0);
        g->addWidget(lamp(f, QStringLiteral("shpPLAMP")), 6, 1);
        top->addWidget(f);
    }

    // Serial number, progress and EXIT.
    auto* foot = new QHBoxLayout;
    foot->addWidget(label(this, QStringLiteral("lblSN"), QStringLiteral("Coin Mech Serial No:")));
    foot->addWidget(label(this, QStringLiteral("lblSerNo")));
    foot->addWidget(label(this, QStringLiteral("lblProgress")));
    auto* bar = new QProgressBar(this);
    reg(bar, QStringLiteral("prgProg"));
    foot->addWidget(bar, 1);
    auto* exit = button(this, QStringLiteral("cmdExit"), QStringLiteral("EXIT"));
    connect(exit, &QPushButton::clicked, this, [this] { cmdExit_Click(); });
    foot->addWidget(exit);
    top->addLayout(foot);
    top->addStretch(1);

    // The job panels show one at a time, when a job opens them.
    for (const char* f : {"frmAdjust", "frmProgramme", "frmTest", "frmPCAtest", "frm340test"})
        find(QString::fromLatin1(f), -1)->hide();
    // The serial number shows only while a mech job is open.
    find(QStringLiteral("lblSN"), -1)->hide();
    find(QStringLiteral("lblSerNo"), -1)->hide();

    setWindowTitle(windowCaption(windowTitle_, Model::M330));
}

// ---------------------------------------------------------------------------------------------
// View

void frmMain::setText(const QString& control, const QString& text, int index)
{
    QWidget* w = find(control, index);
    if (!w)
        return missing_.setText(control, text, index);
    if (w == this)
        return setWindowTitle(text);
    if (auto* l = qobject_cast<QLabel*>(w))
        return l->setText(text);
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return b->setText(text);
    if (auto* e = qobject_cast<QLineEdit*>(w))
        return e->setText(text);
    if (auto* g = qobject_cast<QGroupBox*>(w))
        return g->setTitle(text);
    if (auto* c = qobject_cast<QComboBox*>(w)) {
        const int i = c->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (i >= 0)
            c->setCurrentIndex(i);
        else if (c->isEditable())
            c->setEditText(text);
        // A fixed list keeps its choice when given a text it does not hold.
        return;
    }
    missing_.setText(control, text, index);
}

QString frmMain::text(const QString& control, int index) const
{
    QWidget* w = find(control, index);
    if (!w)
        return missing_.text(control, index);
    if (w == this)
        return windowTitle();
    if (auto* l = qobject_cast<QLabel*>(w))
        return l->text();
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return b->text();
    if (auto* e = qobject_cast<QLineEdit*>(w))
        return e->text();
    if (auto* g = qobject_cast<QGroupBox*>(w))
        return g->title();
    if (auto* c = qobject_cast<QComboBox*>(w))
        return c->currentText();
    return missing_.text(control, index);
}

void frmMain::setFill(const QString& shape, quint32 bgr, int index)
{
    if (auto* l = qobject_cast<plat::Lamp*>(find(shape, index)))
        return l->setFillColor(bgr);
    missing_.setFill(shape, bgr, index);
}

quint32 frmMain::fill(const QString& shape, int index) const
{
    if (auto* l = qobject_cast<plat::Lamp*>(find(shape, index)))
        return l->fillColor();
    return missing_.fill(shape, index);
}

void frmMain::setVisible(const QString& control, bool on, int index)
{
    if (QWidget* w = find(control, index))
        return w->setVisible(on);
    missing_.setVisible(control, on, index);
}

bool frmMain::isVisible(const QString& control, int index) const
{
    QWidget* w = find(control, index);
    if (!w)
        return missing_.isVisible(control, index);
    if (w == this)
        return QWidget::isVisible();
    // The control's own setting, whatever its frame shows.
    return w->isVisibleTo(w->parentWidget());
}

void frmMain::setEnabled(const QString& control, bool on, int index)
{
    if (QWidget* w = find(control, index))
        return w->setEnabled(on);
    missing_.setEnabled(control, on, index);
}

bool frmMain::isEnabled(const QString& control, int index) const
{
    QWidget* w = find(control, index);
    if (!w)
        return missing_.isEnabled(control, index);
    return !w->testAttribute(Qt::WA_ForceDisabled);
}

void frmMain::setValue(const QString& control, int value, int index)
{
    QWidget* w = find(control, index);
    if (auto* o = qobject_cast<QRadioButton*>(w))
        return plat::setOptionValue(o, value != 0);
    if (auto* c = qobject_cast<QCheckBox*>(w))
        return plat::setCheckValue(c, value);
    if (auto* c = qobject_cast<QComboBox*>(w))
        return c->setCurrentIndex(value);
    if (auto* p = qobject_cast<QProgressBar*>(w))
        return p->setValue(value);
    missing_.setValue(control, value, index);
}

int frmMain::value(const QString& control, int index) const
{
    QWidget* w = find(control, index);
    if (auto* o = qobject_cast<QRadioButton*>(w))
        return o->isChecked() ? 1 : 0;
    if (auto* c = qobject_cast<QCheckBox*>(w))
        return plat::checkValue(c);
    if (auto* c = qobject_cast<QComboBox*>(w))
        return c->currentIndex();
    if (auto* p = qobject_cast<QProgressBar*>(w))
        return p->value();
    return missing_.value(control, index);
}

// ---------------------------------------------------------------------------------------------
// Errors and jobs

void frmMain::showError(const QString& context, const std::exception& e)
{
    if (link_)
        return link_->showError(context, e);
    svc_.dialogs->msgBox(errorBoxText(context, e), plat::mb::Critical | plat::mb::OKOnly,
                         QStringLiteral("Error detected"));
}

void frmMain::trap(const QString& context, const std::function<void()>& fn)
{
    try {
        fn();
    } catch (const std::exception& e) {
        showError(context, e);
    }
}

bool frmMain::runJob(const std::function<void()>& job)
{
    if (jobRunning_ || exiting_)
        return false;
    jobRunning_ = true;
    try {
        if (job)
            job();
    } catch (...) {
        jobRunning_ = false;
        throw;
    }
    jobRunning_ = false;
    if (exitPending_) {
        exitPending_ = false;
        shutDown();
    }
    return true;
}

void frmMain::cmdProgramme_Click() { runJob(programmeJob); }
void frmMain::cmdAdjust_Click() { runJob(adjustJob); }
void frmMain::cmdTest_Click() { runJob(testJob); }

// ---------------------------------------------------------------------------------------------
// Start-up

void frmMain::Form_Load(const QString& commandLine)
{
    if (svc_.env->anotherInstanceRunning()) {
        svc_.dialogs->msgBox(QStringLiteral("Ardwell is already Running"), plat::mb::Critical | plat::mb::OKOnly,
                             QStringLiteral("Error"));
        hide();
        svc_.env->endProgram(0);
    }

    // The box dialogue below waits; EXIT and the close box wait for it to end.
    runJob([&] {
        trap(kFormLoad, [&] {
            setEnabled(QStringLiteral("cmdProgramme"), false);
            setEnabled(QStringLiteral("cmdAdjust"), false);
            setEnabled(QStringLiteral("cmdTest"), false);
            st_.lampCountdown = 0;
            windowTitle_ = QStringLiteral("Ardwell");
            setText(QStringLiteral("lblSWversion"), versionText(kVersionMajor, kVersionMinor, kVersionRevision));
        });
        trap(kFormLoad, [&] {
            st_.test340Active = false;
            st_.mechSerialNumber.clear();
            setVisible(QStringLiteral("frmMain1"), true);
            for (const char* f : {"frmAdjust", "frmProgramme", "frmTest", "frmPCAtest", "frm340test"})
                setVisible(QString::fromLatin1(f), false);
            st_.boxAnswered = false;
            st_.boxVersionReceived = false;
        });
        trap(kFormLoad, [&] {
            // The trace word is recognised, but the log switch stays hidden either way: the coin
            // data log is not offered to users.
            const QString firstWord = commandLine.split(QLatin1Char(' '), Qt::SkipEmptyParts).value(0);
            traceWordGiven_ = firstWord == QLatin1String("KOLVAR_TRACE_604913");
            setVisible(QStringLiteral("chkLogging"), false);
        });
        trap(kFormLoad, [&] {
            setVisible(QStringLiteral("lblProgress"), false);
            setVisible(QStringLiteral("prgProg"), false);
            st_.imageModified = false;
            formLoading_ = true;
            auto* port = static_cast<QComboBox*>(find(QStringLiteral("cmbPort"), -1));
            port->clear();
            for (int i = kMinPort; i <= kMaxPort; ++i)
                port->addItem(QString::number(i));
            port->setCurrentIndex(0);
        });
        trap(kFormLoad, [&] {
            channelCount = 16;
            parameterCount = 7;
            buildLists();
            st_.mechLoggedOn = false;
            setText(QStringLiteral("txtSource"), QStringLiteral("61"));
            setText(QStringLiteral("txtDestination"), QStringLiteral("FF"));
            setText(QStringLiteral("txtStartAddress"), QStringLiteral("00"));
            setText(QStringLiteral("TxtEndAddress"), QStringLiteral("FF"));
            st_.commPortNumber = 1;
        });

        bool settingsRead = false;
        Model model = Model::M330;
        trap(kFormLoad, [&] {
            const QString path = configPath(svc_.env->programFolder());
            if (!(link_ ? link_->fileExists(path) : QFileInfo(path).isFile()))
                return;
            const ConfigRecord rec = readConfig(path);
            if (rec.state == ConfigRecord::State::Unreadable)
                throw plat::RuntimeError(plat::err::PathFileAccess, QStringLiteral("Path/File access error"));
            if (!rec.read())
                return;
            settingsRead = true;
            st_.commPortNumber = rec.port;
            setText(QStringLiteral("cmbPort"), QString::number(rec.port));
            model = rec.model;
            if (rec.modelFieldMissing)
                throw plat::RuntimeError(62, QStringLiteral("Input past end of file"));
        });
        formLoading_ = false;

        if (settingsRead && link_) {
            st_.portOpen = false;
            link_->startupPort();
        }

        trap(kFormLoad, [&] {
            for (int i = 0; i < 8; ++i)
                setText(QStringLiteral("lblTestCount"), QStringLiteral("0"), i);
            st_.lampCountdown = 0;
            for (int i = 0; i < 16; ++i)
                setText(QStringLiteral("lblAccCoin"), QStringLiteral("Coin") + QString::number(i + 1), i);
            resetLamps();
            clearCountLabels();
        });
        trap(kFormLoad, [&] {
            setValue(QStringLiteral("cmbCoinCount"), 2);
            setText(QStringLiteral("lblCoinCount"), QString());
            setValue(QStringLiteral("chkLogging"), 0);
            setWindowTitle(windowCaption(windowTitle_, Model::M330));
        });
        trap(kFormLoad, [&] { setValue(optionName(model), 1); });

        trap(kFormLoad, [&] {
            if (!st_.portOpen || !link_)
                return;
            link_->boxCmdBar();
            link_->boxCmdPercent();
            link_->boxCmdBar();
            if (link_->identifyBox()) {
                setEnabled(QStringLiteral("cmdProgramme"), true);
                setEnabled(QStringLiteral("cmdAdjust"), true);
                setEnabled(QStringLiteral("cmdTest"), true);
                link_->boxCmdBar();
                link_->boxCmdIdentify();
            } else {
                svc_.dialogs->msgBox(QStringLiteral("Ardwell box not communicating\r\n\r\n"
                                                    "Check cables, connections, power and COM port setting"),
                                     plat::mb::Critical | plat::mb::OKOnly, QStringLiteral("Error"));
            }
        });
        st_.imageModified = false;
    });
}

void frmMain::cmbPort_Click()
{
    trap(QStringLiteral("Error Port Combo routine : "), [&] {
        const QString t = text(QStringLiteral("cmbPort"));
        if (t.isEmpty())
            return; // the list is being refilled
        st_.commPortNumber = plat::cLng(plat::val(t));
        if (!formLoading_)
            svc_.dialogs->msgBox(QStringLiteral("COM Port changed\r\n\r\nPlease Exit and Restart Ardwell"),
                                 plat::mb::OKOnly, QString());
    });
}

// ---------------------------------------------------------------------------------------------
// Shut-down

void frmMain::cmdExit_Click()
{
    if (exiting_)
        return;
    if (jobRunning_) {
        exitPending_ = true;
        return;
    }
    shutDown();
}

void frmMain::requestClose() { cmdExit_Click(); }

void frmMain::closeEvent(QCloseEvent* e)
{
    // The window goes only by ending the program, never from under a running handler.
    e->ignore();
    requestClose();
}

void frmMain::shutDown()
{
    exiting_ = true;
    trap(QStringLiteral("Error Exit routine : "), [&] { Form_Unload(); });
    svc_.env->endProgram(0);
}

void frmMain::Form_Unload()
{
    exiting_ = true;
    trap(kFormUnload, [&] {
        if (st_.portOpen)
            ExitAndWrite();
    });
    trap(kFormUnload, [&] {
        QString why;
        if (!writeConfig(configPath(svc_.env->programFolder()), st_.commPortNumber, currentModel(), &why))
            throw plat::RuntimeError(plat::err::PathFileAccess, QStringLiteral("Path/File access error"));
    });
    hide();
    svc_.env->endProgram(0);
}

void frmMain::ExitAndWrite()
{
    if (!link_)
        return;
    trap(kExitAndWrite, [&] {
        st_.commsError = false;
        link_->sendData("%\r");
        link_->boxCmdPercent();
    });
    trap(kExitAndWrite, [&] {
        if (!st_.imageModified)
            return;
        const int answer = svc_.dialogs->msgBox(QStringLiteral("Write New Data To Coin Mech"),
                                                plat::mb::YesNo | plat::mb::Exclamation,
                                                QStringLiteral("Confirm Action"));
        if (answer != plat::mb::Yes)
            return;
        if (readMechSerialNumber)
            readMechSerialNumber();
        if (enableProgrammeControls)
            enableProgrammeControls(false);
        if (cmdProg_Click)
            cmdProg_Click();
    });
    trap(kExitAndWrite, [&] {
        if (!st_.commsError) {
            st_.imageModified = false;
            setVisible(QStringLiteral("frmProgramme"), false);
            setVisible(QStringLiteral("frmMain1"), true);
        } else {
            // A read during the write failed: the changes stay pending in programme mode.
            st_.imageModified = true;
            if (enableProgrammeControls)
                enableProgrammeControls(true);
        }
    });
}

void frmMain::cmdExitProgramme_Click()
{
    runJob([&] {
        ExitAndWrite();
        if (!link_)
            return;
        link_->mechPower(false);
        link_->enableMainButtons(true);
        setVisible(QStringLiteral("lblSerNo"), false);
        setVisible(QStringLiteral("lblSN"), false);
        setVisible(QStringLiteral("frmMain1"), true);
    });
}

// ---------------------------------------------------------------------------------------------
// Model selection and lists

Model frmMain::currentModel() const
{
    if (value(QStringLiteral("opt126")))
        return Model::M126;
    if (value(QStringLiteral("opt340")))
        return Model::M340;
    if (value(QStringLiteral("optPCA")))
        return Model::PCA;
    if (value(QStringLiteral("opt560")))
        return Model::M560;
    return Model::M330;
}

void frmMain::modelChosen(Model m)
{
    const BusAddresses a = busAddresses(m);
    if (!rebuildsLists(m)) {
        setText(QStringLiteral("txtSource"), a.source);
        setText(QStringLiteral("txtDestination"), a.destination);
        setWindowTitle(windowCaption(windowTitle_, m));
        return;
    }
    setWindowTitle(windowCaption(windowTitle_, m));
    buildLists();
    setText(QStringLiteral("txtSource"), a.source);
    setText(QStringLiteral("txtDestination"), a.destination);
}

void frmMain::opt126_Click() { modelChosen(Model::M126); }
void frmMain::opt330_Click() { modelChosen(Model::M330); }
void frmMain::opt340_Click() { modelChosen(Model::M340); }
void frmMain::opt560_Click() { modelChosen(Model::M560); }
void frmMain::optPCA_Click() { modelChosen(Model::PCA); }

void frmMain::buildLists()
{
    trap(QStringLiteral("Error Building Lists routine : "), [&] {
        const ModelLists l = modelLists(currentModel());
        auto fillList = [this](const char* name, const ListItems& list) {
            auto* c = static_cast<QComboBox*>(find(QString::fromLatin1(name), -1));
            c->clear();
            c->addItems(list.items);
            c->setCurrentIndex(list.shown);
        };
        fillList("cmbCoinNumber", l.coinNumber);
        auto* change = static_cast<QComboBox*>(find(QStringLiteral("cmbChangeCoin"), -1));
        change->clear();
        change->addItems(l.changeCoin.items);
        fillList("cmbInhibitLine", l.inhibitLine);
        fillList("cmbOutput", l.output);
        fillList("cmbPlugDecode", l.plugDecode);
        fillList("cmbRoute", l.route);
        if (l.recalcBinary)
            calcBinary();
        setVisible(QStringLiteral("txtBinary"), l.binaryVisible);
        setVisible(QStringLiteral("lblBinary"), l.binaryVisible);
        setVisible(QStringLiteral("cmbPlugDecode"), l.plugVisible);
        setVisible(QStringLiteral("lblPlug"), l.plugVisible);
        setVisible(QStringLiteral("cmbRoute"), l.routeVisible);
        setVisible(QStringLiteral("lblRoute"), l.routeLabelVisible);
        setText(QStringLiteral("lblBinary"), l.binaryLabel);
        setText(QStringLiteral("lblinhline"), l.inhibitLabel);
        change->setCurrentIndex(l.changeCoin.shown);
        fillList("cmbDefaultRoute", l.defaultRoute);
    });
}

void frmMain::calcBinary()
{
    trap(QStringLiteral("Error Calc-Binary routine : "), [&] {
        if (const auto code = binaryCodeOf(text(QStringLiteral("cmbOutput"))))
            setText(QStringLiteral("txtBinary"), *code);
    });
}

// ---------------------------------------------------------------------------------------------
// Timers and lamps

void frmMain::Timer1_Timer()
{
    trap(QStringLiteral("Error Counting down timer 1 : "), [&] {
        if (tickStatusLampCountdown(st_.statusLampCountdown) && link_) {
            link_->clearStatusLamps();
            link_->clearTestLamps();
        }
    });
}

void frmMain::Timer2_Timer()
{
    trap(QStringLiteral("Error Counting down timer 2 : "), [&] { tickReplyTimeout(st_.replyTimeoutMs); });
}

void frmMain::Timer5_Timer()
{
    if (tickCoinLampCountdown(st_.lampCountdown))
        resetLamps();
}

void frmMain::resetLamps() { ardwell::resetLamps(*this); }

void frmMain::clearCountLabels() { ardwell::clearCountLabels(*this); }

} // namespace ardwell
