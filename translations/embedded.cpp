// The translation libraries carry only their embedded .qm resources; a static
// library needs one source of its own.
