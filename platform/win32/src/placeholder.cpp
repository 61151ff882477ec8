// Replaced as the services are written.
