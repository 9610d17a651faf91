#pragma once

#include "app/Forms.h"

#include <QWidget>

class QLabel;
class QTimer;

namespace tv {

// Between the login and the main window: reads the company information, loads the main window hidden
// and shows it when the splash goes, after 2000 ms or at a key or a click.
class frmSplash : public QWidget, public Form<frmSplash>
{
    Q_OBJECT
public:
    frmSplash();
    ~frmSplash() override;

    QLabel *lblVersion;
    QLabel *lblLicenseTo;
    QTimer *Timer2;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
};

QString VersionText(); // "版本 " and major.minor.revision, for the splash and the about box

} // namespace tv
