// placeholder until the first part is written
