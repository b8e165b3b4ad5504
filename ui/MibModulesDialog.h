// Help > "MIB modules...": which MIB modules were read, from where, and
// which could not be, with the reason ("MIB problems").
#pragma once

#include <QDialog>
#include <QString>

struct TMibLoadRequest;
struct TMibLoadResult;

// The plain-text report: what was searched, read and what failed and why.
// loaded is false while the modules are still being read.
QString MibModulesReport(const TMibLoadRequest& request, const TMibLoadResult& result, bool loaded);

class TMibModulesDialog : public QDialog {
    Q_OBJECT
public:
    // A read-only text of report, centred on parent.
    TMibModulesDialog(const QString& report, QWidget* parent);

protected:
    void showEvent(QShowEvent* event) override;
};
