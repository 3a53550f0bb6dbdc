#include "shell/sim_loop.h"
#include "shell/sim_options.h"

#include <QCoreApplication>

#include "auxpad_version.h"

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("auxpad-sim");
    QCoreApplication::setApplicationVersion(AUXPAD_VERSION);
    const auto options = auxsim::parseOptions(QCoreApplication::arguments());
    if (!options)
        return 2;
    return auxsim::runSimulator(*options);
}
