#pragma once
// The maker's addresses, fixed when an executable is built (each executable links one
// configuration): the installer runs elevated, so nothing at run time may choose what it
// downloads. Any thread.
const wchar_t* ManifestPrimaryUrl();
const wchar_t* ManifestFallbackUrl();
const wchar_t* AgreementUrl();
