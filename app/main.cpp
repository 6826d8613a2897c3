#include "app/configpaths.h"
#include "app/fonts.h"
#include "app/indicatormodel.h"
#include "app/indicatorview.h"
#include "app/messageboxprompter.h"
#include "app/programtitle.h"
#include "link/numberconversion.h"
#include "link/readerlink.h"
#include "link/serialcommcontrol.h"

#include <QApplication>
#include <QSettings>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Fonts::installSubstitutes();
    ProgramTitle::setTitle(QStringLiteral("ZAV41K"));

    IndicatorModel indicators;
    SerialCommControl comm;
    IndicatorView window(indicators);
    window.setWindowTitle(QStringLiteral("ZAV41K"));
    MessageBoxPrompter prompter(&window);
    ReaderLink link(comm, indicators, prompter, QLocale::system());

    Status status = comm.setSettings(QStringLiteral("9600,N,8,1"));
    if (status)
        status = comm.setRThreshold(1);
    if (status)
        status = comm.setInputLen(10);
    if (status)
        status = comm.setHandshaking(0);
    if (status)
        status = comm.setDTREnable(false);
    if (status) {
        const QSettings stored(ConfigPaths::settingsFile(), QSettings::IniFormat);
        const QString port = stored.value(QStringLiteral("Properties/CommPort")).toString();
        if (!port.isEmpty()) {
            const Outcome<qint16> number = NumberConversion::toInt16(port, QLocale::system());
            status = number ? comm.setCommPort(number.value()) : number.status();
        }
    }
    if (status)
        status = comm.setPortOpen(true);
    if (!status)
        prompter.messageBox(status.failure().description, Prompter::Buttons::Ok,
                            Prompter::Icon::Exclamation);

    window.show();
    const int result = QApplication::exec();
    (void)comm.setPortOpen(false);
    return result;
}
