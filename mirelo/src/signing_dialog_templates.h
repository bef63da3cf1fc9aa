// The dialog templates of the signing component, declared to the layer
// under the component's module (TModalDialog::ModuleInstance) before its
// first dialog runs. Their Czech texts are replaced at start.
#pragma once

// Declares them once per process.
void DeclareSigningDialogTemplates();
