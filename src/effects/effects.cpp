// Anchors the effects library; each effect lives in its own file under
// image/, shader/, 3d/ and video/.
