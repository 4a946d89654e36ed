#pragma once
// The form presenter of forms.dll: dialogs from the library's own templates.

#include "show_form.h"

FormPresenter& Win32FormPresenter();
