// The date field of the property windows: a date value (local wall-clock seconds) shown and edited
// through a mask of the language file such as "Date %dd/%mm/%yyyy heure %hh:%ii".
#pragma once

#include "core/clock.h"

#include <QDateTimeEdit>

#include <string_view>

namespace qp::ui {

// The mask's tokens %yyyy %yy %mm %dd %hh %ii %ss (any case) as a display format of the
// toolkit; every other character is shown as it stands.
QString date_mask_to_format(std::string_view mask);

class DateField final : public QDateTimeEdit {
    Q_OBJECT

public:
    DateField(QWidget* parent, std::string_view mask);

    // Seconds the mask does not show are kept, so an untouched field gives back what it got.
    void set_value(DateValue value);
    DateValue value() const;
};

} // namespace qp::ui
