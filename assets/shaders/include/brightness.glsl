// Display brightness (F10 / Shift+F10). It is uploaded only after the first change,
// so it starts at 1.0 here.
uniform float globalBrightnessMultiplier = 1.0;
