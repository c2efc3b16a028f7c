// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MorvaneAppDelegate.h"

#include "engine/pipeline/ImageSaving.h"
#include "settings/Settings.h"

#include <QApplication>
#include <QEvent>
#include <QSignalBlocker>

#include <algorithm>
#include <charconv>
#include <cmath>

double toolkitVersionNumber(const QVersionNumber& version)
{
    return version.majorVersion() * 1000.0 + version.minorVersion() + version.microVersion() / 1000.0;
}

double toolkitVersionNumber()
{
    return toolkitVersionNumber(QVersionNumber::fromString(QString::fromLatin1(qVersion())));
}

MorvaneAppDelegate::MorvaneAppDelegate(QObject* parent)
    : QObject(parent)
    , m_toolkitVersion(toolkitVersionNumber())
{ }

void MorvaneAppDelegate::awakeFromNib()
{
    isRunningOnSnowLeopardOrLater = m_toolkitVersion >= kToolkitVersionNumber10_6;
}

QString MorvaneAppDelegate::floatValueText(float value)
{
    // The shortest text that reads back as the same float: 70 shows as "70", 0.1f as "0.1".
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return QString::fromLatin1(text, result.ptr - text);
}

namespace {

void setFloatValue(QSlider* slider, float value)
{
    // The slider holds whole numbers within its limits; a value that is not a number leaves it in place.
    if (std::isnan(value))
        return;
    const float clamped = std::clamp(value, float(slider->minimum()), float(slider->maximum()));
    slider->setValue(int(std::lround(clamped)));
}

} // namespace

void MorvaneAppDelegate::applicationDidFinishLaunching()
{
    Settings* settings = Settings::settings();
    if (labelQuality)
        labelQuality->setText(floatValueText(settings->quality()));
    if (sldQuality) {
        // Restoring is not a user action: nothing may be written back.
        const QSignalBlocker blocker(sldQuality.data());
        setFloatValue(sldQuality, settings->quality());
    }
    if (chkOrientation)
        chkOrientation->setCheckState(settings->fixOrientation() ? Qt::Checked : Qt::Unchecked);
    if (chkKeepJpegQuality)
        chkKeepJpegQuality->setCheckState(settings->keepJpegQuality() ? Qt::Checked : Qt::Unchecked);
    if (cmbOutputFormat) {
        const QSignalBlocker blocker(cmbOutputFormat.data());
        cmbOutputFormat->setCurrentIndex(settings->outputFormat() == OutputFormatChoice::Jpeg ? 1 : 0);
    }
}

void MorvaneAppDelegate::OnQualityChanged(QObject*)
{
    if (!sldQuality)
        return;
    const float quality = float(sldQuality->value());
    if (labelQuality)
        labelQuality->setText(floatValueText(quality));
    Settings::settings()->setQuality(quality);
}

void MorvaneAppDelegate::OnOrientation(QObject*)
{
    if (!chkOrientation)
        return;
    Settings::settings()->setFixOrientation(chkOrientation->checkState() == Qt::Checked);
}

void MorvaneAppDelegate::OnKeepJpegQuality(QObject*)
{
    if (!chkKeepJpegQuality)
        return;
    Settings::settings()->setKeepJpegQuality(chkKeepJpegQuality->checkState() == Qt::Checked);
}

void MorvaneAppDelegate::OnOutputFormat(QObject*)
{
    if (!cmbOutputFormat)
        return;
    Settings::settings()->setOutputFormat(
        cmbOutputFormat->currentIndex() == 1 ? OutputFormatChoice::Jpeg : OutputFormatChoice::SameAsSource);
}

void MorvaneAppDelegate::windowWillClose()
{
    QApplication::quit();
}

bool MorvaneAppDelegate::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window && event->type() == QEvent::Close)
        windowWillClose();
    return QObject::eventFilter(watched, event);
}
