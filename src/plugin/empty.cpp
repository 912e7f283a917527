// Placeholder translation unit: the library's code comes from plumquist_core.
