// Which control of the main window's dialog template shows each of the form's
// fields, and which up-down arrows sit on its number fields: one table for every
// view built from that template.
#pragma once

#include "MainWindowView.h"

#include <optional>
#include <span>

struct FieldControlId {
    MainWindowView::Field field;
    int id;
};

// Every field with the id of the control that shows it.
std::span<const FieldControlId> FieldControls();
int ControlIdOf(MainWindowView::Field field);
// The arrows on a number field; no value for the other fields.
std::optional<int> ArrowsIdOf(MainWindowView::Field field);
// The field a control shows; no value for the controls that show none.
std::optional<MainWindowView::Field> FieldOfControl(int id);
