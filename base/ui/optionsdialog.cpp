#include "optionsdialog.h"

#include "base/core/baselanguage.h"
#include "base/ui/captions.h"
#include "base/ui/filechooser.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace wc::base {

OptionsDialog::OptionsDialog(const BaseOptions& options, FileChooser& dialogs, QWidget* parent)
    : QDialog(parent), options_(options), dialogs_(dialogs) {
    setObjectName(QStringLiteral("TOptFrm"));
    setWindowTitle(QStringLiteral("Settings"));
    auto* lay = new QVBoxLayout(this);
    auto* tabs = new QTabWidget(this);
    lay->addWidget(tabs);

    auto* general = new QWidget(tabs);
    auto* gl = new QVBoxLayout(general);
    auto box = [&](const char* name, const QString& caption, bool BaseOptions::*field) {
        auto* c = new QCheckBox(caption, general);
        c->setObjectName(QString::fromLatin1(name));
        c->setChecked(options_.*field);
        connect(c, &QCheckBox::toggled, this, [this, field](bool on) {
            options_.*field = on;
            emit changed();
        });
        gl->addWidget(c);
    };
    box("cbNoEmpty", QStringLiteral("Не добавлять файлы с пустыми тегами"), &BaseOptions::noEmpty);
    box("cbNoError", QStringLiteral("Не показывать сообщения об ошибках"), &BaseOptions::noError);
    box("cbCheckTimeOnce", QStringLiteral("Не перепроверять время"), &BaseOptions::checkTimeOnce);
    box("cbOverwrite", QStringLiteral("Заменять файлы при копировании"),
        &BaseOptions::overwriteOnCopy);
    box("cbOpenLast", QStringLiteral("При загрузке открывать последнюю базу"),
        &BaseOptions::openLastBase);
    box("cbQSearch", QStringLiteral("Быстрый поиск"), &BaseOptions::quickSearch);
    box("cbCountTime", QStringLiteral("Считать время сразу"), &BaseOptions::countTime);
    box("cbParseFN", QStringLiteral("Extract info from Filename if tag not exists"),
        &BaseOptions::parseFileName);
    auto* font = new QPushButton(QStringLiteral("Изменить шрифт..."), general);
    font->setObjectName(QStringLiteral("btFont"));
    connect(font, &QPushButton::clicked, this, [this] {
        QFont start;
        if (!options_.fontName.isEmpty()) start.setFamily(options_.fontName);
        if (options_.fontSize > 0) start.setPointSize(options_.fontSize);
        start.setBold(options_.fontStyle & 2);
        start.setItalic(options_.fontStyle & 4);
        start.setUnderline(options_.fontStyle & 8);
        start.setStrikeOut(options_.fontStyle & 16);
        const std::optional<QFont> chosen = dialogs_.font(this, start);
        if (!chosen) return;
        const QFont& f = *chosen;
        options_.fontName = f.family();
        options_.fontSize = f.pointSize() > 0 ? f.pointSize() : options_.fontSize;
        options_.fontStyle = (f.bold() ? 2 : 0) | (f.italic() ? 4 : 0) | (f.underline() ? 8 : 0) |
                             (f.strikeOut() ? 16 : 0);
        emit changed();
    });
    gl->addWidget(font);
    gl->addStretch();
    tabs->addTab(general, QStringLiteral("Общие"));

    auto* colours = new QWidget(tabs);
    auto* cl = new QVBoxLayout(colours);
    const char* const names[] = {"MP3", "WMA", "OGG", "WAV"};
    for (int i = 0; i < 4; ++i) {
        cl->addWidget(new QLabel(QString::fromLatin1(names[i]), colours));
        samples_[i] = new QLabel(QStringLiteral("AaBbCcdefghijklmn 1234567890"), colours);
        samples_[i]->setObjectName(QStringLiteral("pnColour%1").arg(i));
        samples_[i]->setAutoFillBackground(true);
        samples_[i]->installEventFilter(this);
        cl->addWidget(samples_[i]);
    }
    cl->addStretch();
    paintSamples();
    tabs->addTab(colours, QStringLiteral("Цвет"));

    auto* output = new QGroupBox(QStringLiteral(" Playback type "), tabs);
    auto* ol = new QVBoxLayout(output);
    auto* group = new QButtonGroup(this);
    const char* const types[] = {"Left channel", "Rear channel", "2nd Device (need restart)",
                                 "Normal"};
    for (int i = 0; i < 4; ++i) {
        auto* r = new QRadioButton(QString::fromLatin1(types[i]), output);
        r->setObjectName(QStringLiteral("rbMonType%1").arg(i));
        r->setChecked(options_.monType == i);
        group->addButton(r, i);
        ol->addWidget(r);
    }
    connect(group, &QButtonGroup::idClicked, this, [this](int id) {
        options_.monType = id;
        emit changed();
    });
    tabs->addTab(output, QStringLiteral("Output"));

    auto* close = new QPushButton(QStringLiteral("Закрыть"), this);
    close->setObjectName(QStringLiteral("btClose"));
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    lay->addWidget(close);
    applyCaptions(this, baseLanguage().captions.value(QStringLiteral("Options.Captions")));
}

void OptionsDialog::paintSamples() {
    for (int i = 0; i < 4; ++i) {
        const quint32 c = options_.colors[size_t(i)];
        QPalette p = samples_[i]->palette();
        p.setColor(QPalette::WindowText, QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF));
        p.setColor(QPalette::Window, Qt::white);
        samples_[i]->setPalette(p);
    }
}

void OptionsDialog::chooseColour(int slot, quint32 colour) {
    if (slot < 0 || slot > 3) return;
    options_.colors[size_t(slot)] = colour & 0x00FFFFFFu;
    paintSamples();
    emit changed();
}

bool OptionsDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease)
        for (int i = 0; i < 4; ++i)
            if (watched == samples_[i]) {
                const quint32 c = options_.colors[size_t(i)];
                const std::optional<QColor> chosen =
                    dialogs_.colour(this, QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF));
                if (chosen)
                    chooseColour(
                        i, quint32(chosen->red() | chosen->green() << 8 | chosen->blue() << 16));
            }
    return QDialog::eventFilter(watched, event);
}

} // namespace wc::base
