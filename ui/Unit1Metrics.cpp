// The main window's part in serving metrics: Options > Serve metrics...,
// the --metrics and /METRICS switches, the endpoint kept per vexgrid file
// and the status bar's "Serving metrics on 127.0.0.1:9469".
#include "ui/Unit1.h"

#include "metrics/MetricsOptions.h"
#include "metrics/MetricsServer.h"
#include "metrics/ModuleExport.h"
#include "names/MibLoader.h"
#include "names/MibNames.h"

#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

namespace {

struct TExportChoice {
    QString path;  // empty: cancelled
    bool includePasswords = false;
};

// The file an export goes to, from a save dialog with an "Include
// passwords" box below it: off at first, and open only for an SNMPv3 view
// that has a password.
TExportChoice AskExportFile(QWidget* parent, bool telegraf, bool hasPasswords)
{
    QFileDialog dialog(parent, telegraf ? QStringLiteral("Telegraf SNMP input")
                                        : QStringLiteral("SNMP exporter module"));
    dialog.setObjectName(QStringLiteral("ExportViewDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontUseNativeDialog);  // a native dialog takes no box of ours
    dialog.selectFile(telegraf ? QStringLiteral("telegraf-snmp.conf") : QStringLiteral("snmp.yml"));
    auto* passwords = new QCheckBox(QStringLiteral("Include passwords"), &dialog);
    passwords->setObjectName(QStringLiteral("IncludePasswords"));
    passwords->setEnabled(hasPasswords);
    passwords->setToolTip(hasPasswords
                              ? QStringLiteral("Write the SNMPv3 passwords into the file (readable by "
                                               "you only); else placeholders stand in")
                              : QStringLiteral("The view has no SNMPv3 password"));
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
        grid->addWidget(passwords, grid->rowCount(), 0, 1, grid->columnCount());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return {dialog.selectedFiles().constFirst(), passwords->isChecked()};
}

}  // namespace

void TForm1::CreateMetrics()
{
    const TMetricsOptions options = ParseMetricsOptions(commandLine);
    for (const QString& warning : options.warnings)
        qWarning("%s", qPrintable(warning));
    metricsFromCommandLine = options.endpoint.has_value();
    metricsServer = new TMetricsServer(
        *resultStore,
        [this]() -> std::shared_ptr<const TMibNames> {
            auto names = mibLoader->Names();
            return names ? names : TMibNames::BuiltIn();
        },
        this);

    if (auto* options1 = menuBar()->findChild<QMenu*>(QStringLiteral("Options1"))) {
        options1->addSeparator();
        ServeMetrics1 = options1->addAction(QStringLiteral("Serve metrics..."));
        ServeMetrics1->setObjectName(QStringLiteral("ServeMetrics1"));
        connect(ServeMetrics1, &QAction::triggered, this, &TForm1::ServeMetrics1Click);
    }
    if (auto* file1 = menuBar()->findChild<QMenu*>(QStringLiteral("File1"))) {
        auto* exportAs = new QMenu(QStringLiteral("Export View As"), file1);
        exportAs->setObjectName(QStringLiteral("ExportViewAs1"));
        file1->insertMenu(Close1, exportAs);
        file1->insertSeparator(Close1);
        ExportModule1 = exportAs->addAction(QStringLiteral("Prometheus SNMP exporter module..."));
        ExportTelegraf1 = exportAs->addAction(QStringLiteral("Telegraf SNMP input..."));
        connect(ExportModule1, &QAction::triggered, this, [this] { ExportViewAs(false); });
        connect(ExportTelegraf1, &QAction::triggered, this, [this] { ExportViewAs(true); });
    }
    MetricsLabel = new QLabel(StatusBar1);
    MetricsLabel->setObjectName(QStringLiteral("MetricsLabel"));
    MetricsLabel->hide();
    StatusBar1->addPermanentWidget(MetricsLabel);
    if (options.endpoint)
        ServeMetrics(options.endpoint);
}

TMetricsServer& TForm1::Metrics() { return *metricsServer; }

bool TForm1::ServeMetrics(const std::optional<TMetricsEndpoint>& endpoint)
{
    bool served = true;
    const bool same = endpoint && metricsServer->IsListening()
                   && endpoint->port == metricsServer->Endpoint().port
                   && endpoint->address == metricsServer->Endpoint().address;
    if (same) {
        // Listening there already.
    } else if (endpoint) {
        served = metricsServer->Listen(*endpoint);
    } else {
        metricsServer->Stop();
    }
    if (metricsServer->IsListening()) {
        MetricsLabel->setText(QStringLiteral("Serving metrics on ")
                              + MetricsEndpointText(metricsServer->Endpoint()));
        MetricsLabel->show();
    } else {
        MetricsLabel->hide();
    }
    if (!served)
        ShowStatusMessage(metricsServer->ErrorText());
    return served;
}

void TForm1::ApplyViewMetrics()
{
    // The switch of the command line holds for the whole run.
    if (!metricsFromCommandLine)
        ServeMetrics(SavedMetricsEndpoint(viewFile));
}

void TForm1::ServeMetrics1Click()
{
    const QString current = metricsServer->IsListening() ? MetricsEndpointText(metricsServer->Endpoint())
                                                         : QStringLiteral("127.0.0.1:9469");
    bool ok = false;
    const QString text = QInputDialog::getText(
        this, QStringLiteral("Serve metrics"),
        QStringLiteral("Serve the values for scrapers on [address:]port (empty: stop serving):"),
        QLineEdit::Normal, current, &ok);
    if (!ok)
        return;
    std::optional<TMetricsEndpoint> endpoint;
    if (!text.trimmed().isEmpty()) {
        endpoint = ParseMetricsEndpoint(text.trimmed());
        if (!endpoint) {
            ShowModalMessage(
                QStringLiteral("\"%1\" is no [address:]port with a port from 1 to 65535.").arg(text));
            return;
        }
    }
    if (ServeMetrics(endpoint))
        SaveMetricsEndpoint(viewFile, endpoint);
}

void TForm1::ExportViewAs(bool telegraf)
{
    const TV3Settings& v3 = Settings().v3;
    const bool hasPasswords = Settings().requestTemplate.snmpVersion == 3
                           && (!v3.authPassword.isEmpty() || !v3.privPassword.isEmpty());
    const TExportChoice choice = AskExportFile(this, telegraf, hasPasswords);
    if (choice.path.isEmpty())
        return;
    const TExportRequest request{telegraf ? TViewExport::TelegrafInput : TViewExport::ExporterModule,
                                 choice.path};
    TModuleOptions options;
    options.name = ModuleNameOf(viewFile.isEmpty() ? QStringLiteral("vexgrid") : viewFile);
    options.includePasswords = choice.includePasswords;
    auto names = mibLoader->Names();
    const QString error =
        WriteViewExport(request, Settings(), names ? *names : *TMibNames::BuiltIn(), options);
    if (!error.isEmpty())
        ShowModalMessage(error);
    else
        ShowStatusMessage(QStringLiteral("Wrote ") + request.path);
}
