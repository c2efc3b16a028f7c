// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QSlider>
#include <QVersionNumber>
#include <QWidget>

/// The first toolkit release whose saving path the engine treats as current (see
/// isRunningOnSnowLeopardOrLater); compared with toolkitVersionNumber().
inline constexpr double kToolkitVersionNumber10_6 = 1038.0;

/// The windowing toolkit's version as one comparable number: major × 1000 + minor + patch / 1000, so
/// Qt 6.4.2 is 6004.002. Every Qt from 2.0 on lies far above kToolkitVersionNumber10_6, and a later
/// release always gives a larger number (patch levels below 1000).
[[nodiscard]] double toolkitVersionNumber(const QVersionNumber& version);
/// The number of the Qt library the process runs with (qVersion(), not the headers it was built with).
[[nodiscard]] double toolkitVersionNumber();

/// The application's delegate: keeps the quality slider, its number label and the check boxes for the
/// orientation and for keeping JPEG quality in step with the preferences, records at wake-up whether the
/// toolkit is recent enough for the engine's saving path, and quits the application when the main window
/// closes. The layout sets its outlets; it owns none of them (guarded pointers: an unconnected control is
/// skipped). As the main window's delegate it filters that window's events for the close. Main thread only.
class MorvaneAppDelegate : public QObject
{
    Q_OBJECT

public:
    explicit MorvaneAppDelegate(QObject* parent = nullptr);

    // Outlets, set by the layout.
    QPointer<QCheckBox> chkOrientation;
    QPointer<QCheckBox> chkKeepJpegQuality;
    QPointer<QComboBox> cmbOutputFormat; ///< 0 same as the source, 1 JPEG
    QPointer<QSlider> sldQuality;
    QPointer<QLabel> labelQuality;

    /// The main window. Installing the delegate as the window's delegate is the layout's task.
    [[nodiscard]] QWidget* window() const { return m_window; }
    void setWindow(QWidget* window) { m_window = window; }

    /// The version awakeFromNib compares; toolkitVersionNumber() unless a test sets another.
    void setToolkitVersion(double version) { m_toolkitVersion = version; }

    /// Sets isRunningOnSnowLeopardOrLater to whether the toolkit version is at least 1038.0.
    void awakeFromNib();
    /// Restores label, slider and check boxes from the preferences; sends no action, writes nothing.
    void applicationDidFinishLaunching();

    /// The slider's action: its whole value goes to the label and to the stored quality.
    void OnQualityChanged(QObject* sender);
    /// The check box's action: stores true when it is checked, false when unchecked or mixed.
    void OnOrientation(QObject* sender);
    /// The JPEG check box's action: stores true when it is checked, false when unchecked or mixed.
    void OnKeepJpegQuality(QObject* sender);
    void OnOutputFormat(QObject* sender);
    /// The main window is about to close: the application quits.
    void windowWillClose();

    /// What a number label shows for \a value: the shortest exact decimal ("70", "42.5").
    [[nodiscard]] static QString floatValueText(float value);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> m_window;
    double m_toolkitVersion;
};
