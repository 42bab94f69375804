// Qt's file dialogs made to be read: their size, type and date columns fitted to what each
// folder shows and the name column given the rest, and the dialog widened when it is first shown
// until the places on the left and the four columns read whole, as far as the screen allows. A
// dialog opened at the size the user last gave one keeps that size.
#pragma once

#include <QSize>

class QFileDialog;

namespace vellum::ui {

void FitToRead(QFileDialog& dialog);
// The user's size, as much of it as the screen holds; the dialog is then not widened.
void OpenAtKeptSize(QFileDialog& dialog, QSize size);

}  // namespace vellum::ui
