# tesk_add_resources(<target> ...): embeds resources into a module.
# Written with the resource functions of platform/base.
