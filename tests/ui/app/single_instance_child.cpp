// A second start of the program, reduced to the instance check: folder, title [, file].
// Exit status 0 after a hand-over, 3 when it would start as a normal instance, 4 on failure.
#include "ui/app/single_instance.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 3)
        return 64;
    qp::ui::SingleInstance instance(QString::fromLocal8Bit(argv[1]));
    const QString file = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();
    switch (instance.SingleInstance_Check(QString::fromLocal8Bit(argv[2]), file)) {
    case qp::ui::SingleInstance::Outcome::HandedOver:
        return 0;
    case qp::ui::SingleInstance::Outcome::Primary:
        return 3;
    case qp::ui::SingleInstance::Outcome::Failed:
        return 4;
    }
    return 5;
}
