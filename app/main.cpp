#include "app/fonts.h"
#include "app/frmzav41k.h"
#include "app/programicon.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Fonts::installSubstitutes();
    QApplication::setWindowIcon(ProgramIcon::icon());

    frmZAV41k window;
    window.Form_Load();
    window.show();
    return QApplication::exec();
}
