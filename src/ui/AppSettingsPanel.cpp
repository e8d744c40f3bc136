// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/AppSettingsPanel.h"

#include "l10n/L10n.h"
#include "store/AppSettings.h"
#include "ui/IconFactory.h"
#include "ui/InterfaceStyle.h"
#include "ui/LanguageSegments.h"
#include "ui/MenuBarLabelView.h"
#include "ui/SegmentedControl.h"
#include "ui/SwitchRow.h"

#include <QCoreApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int previewIconSide = 16;

QVBoxLayout* section(QVBoxLayout* parent) {
    auto* layout = new QVBoxLayout;
    layout->setSpacing(8);
    parent->addLayout(layout);
    return layout;
}

} // namespace

AppSettingsPanel::AppSettingsPanel(AppSettings& settings, QWidget* parent)
    : QWidget(parent)
    , m_settings(settings)
    , m_autostart(QCoreApplication::applicationFilePath()) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    m_scroll = new QScrollArea(this);
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    outer->addWidget(m_scroll);

    auto* content = new QWidget(m_scroll);
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(16);

    const InterfaceStyle::PanelHeader header = InterfaceStyle::panelHeader(15, content);
    m_title = header.title;
    m_close = header.close;
    column->addLayout(header.layout);

    column->addWidget(InterfaceStyle::divider(content));

    QVBoxLayout* languageSection = section(column);
    m_languageCaption = InterfaceStyle::secondaryLabel(12, content);
    languageSection->addWidget(m_languageCaption);
    m_languages = LanguageSegments::create(content);
    languageSection->addWidget(m_languages);

    QVBoxLayout* labelSection = section(column);
    m_labelCaption = InterfaceStyle::secondaryLabel(12, content);
    labelSection->addWidget(m_labelCaption);
    m_labelHint = InterfaceStyle::secondaryLabel(11, content);
    m_labelHint->setWordWrap(true);
    labelSection->addWidget(m_labelHint);
    m_labelField = new QLineEdit(content);
    m_labelField->setFont(InterfaceStyle::font(content, 13));
    InterfaceStyle::styleTextField(m_labelField);
    labelSection->addWidget(m_labelField);

    auto* preview = new QHBoxLayout;
    preview->setContentsMargins(0, 4, 0, 0);
    preview->setSpacing(10);
    m_previewCaption = InterfaceStyle::secondaryLabel(11, content);
    preview->addWidget(m_previewCaption, 0, Qt::AlignVCenter);
    m_previewIcon = new QLabel(content);
    m_previewIcon->setFixedSize(previewIconSide + 12, previewIconSide + 8);
    m_previewIcon->setAlignment(Qt::AlignCenter);
    preview->addWidget(m_previewIcon, 0, Qt::AlignVCenter);
    m_previewText = new QLabel(content);
    m_previewText->setFont(InterfaceStyle::font(content, 12, QFont::Medium));
    m_previewText->setTextFormat(Qt::PlainText);
    preview->addWidget(m_previewText, 0, Qt::AlignVCenter);
    preview->addStretch(1);
    labelSection->addLayout(preview);

    m_startAtLogin = new SwitchRow(content);
    m_startAtLogin->setIcon(IconFactory::tinted(
        QStringLiteral("power"), palette().color(QPalette::WindowText), SwitchRow::iconSide));
    column->addWidget(m_startAtLogin);
    column->addStretch(1);
    m_scroll->setWidget(content);

    connect(m_close, &QToolButton::clicked, this, &AppSettingsPanel::closeRequested);
    connect(m_languages, &SegmentedControl::chosen, this,
            [this](int index) { m_settings.setLanguage(LanguageSegments::languageAt(index)); });
    connect(m_labelField, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_settings.setMenuBarLabel(text); });
    // The switch shows what the file system holds, also after a write that failed.
    connect(m_startAtLogin, &SwitchRow::clicked, this, [this](bool checked) {
        m_autostart.setEnabled(checked);
        m_startAtLogin->setChecked(m_autostart.isEnabled());
    });
    connect(&m_settings, &AppSettings::languageChanged, this, &AppSettingsPanel::retranslate);
    connect(&m_settings, &AppSettings::menuBarLabelChanged, this, &AppSettingsPanel::showLabel);
    retranslate();
    showLabel(m_settings.menuBarLabel());
}

void AppSettingsPanel::retranslate() {
    const AppLanguage language = m_settings.language();
    const auto text = [language](L10n::Key key) { return L10n::text(key, language); };
    m_title->setText(text(L10n::Key::settings));
    m_languageCaption->setText(text(L10n::Key::language));
    m_languages->setCurrent(LanguageSegments::segmentOf(language));
    m_labelCaption->setText(text(L10n::Key::menuBarLabel));
    m_labelHint->setText(text(L10n::Key::menuBarLabelHint));
    m_labelField->setPlaceholderText(text(L10n::Key::menuBarLabelPlaceholder));
    m_previewCaption->setText(text(L10n::Key::menuBarPreview));
    m_startAtLogin->setText(text(L10n::Key::startAtLogin));
}

void AppSettingsPanel::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The entry may have been added or removed by hand since the panel was last shown.
    m_startAtLogin->setChecked(m_autostart.isEnabled());
}

void AppSettingsPanel::showLabel(const QString& label) {
    // A keystroke's own echo leaves the field, and so its cursor, alone.
    if (m_labelField->text() != label)
        m_labelField->setText(label);
    m_previewIcon->setPixmap(
        MenuBarLabelView::labelIcon(label, palette())
            .pixmap(QSize(previewIconSide, previewIconSide), devicePixelRatioF()));
    m_previewText->setText(MenuBarLabelView::labelText(label));
}
