// Replaced by the options dialog, help window and about box.
