#pragma once
// The figures on the credit meter panel: paid, credits and bet, printed onto the meter's
// surface and handed to its texture.

// Polled once per frame; draws only when the credits or the bet figure have changed since
// the last drawing.
void UpdateCreditMeter();
