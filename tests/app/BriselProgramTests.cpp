// The real program, started as a user would start it. Filled in below.
