# IA-32 instructions for the instruction-copier tests, one per label: the decoder's length
# must match the assembler's (the distance to the next label). Labels starting with "e_" end
# the flow; "t_" labels are branch targets, not instructions.
        .text
        .code32
i_push:         push %ebp
i_mov_rr:       mov %esp, %ebp
i_sub_ib:       sub $0x10, %esp
i_hotpatch:     mov %edi, %edi
i_add_al:       add $0x12, %al
i_add_eax:      add $0x12345678, %eax
i_enter:        enter $8, $0
i_lcall:        lcall $0x10, $0x12345678
i_imul_iz:      imul $0x12345678, %ebx, %eax
i_imul_ib:      imul $3, %ebx, %eax
i_66_mov:       movw $0x1234, %ax
i_66_add_mem:   addw $0x1234, (%ebx)
i_66_push:      pushw $0x1234
i_66_pushb:     pushw $0x12
i_67_bx_si:     movl (%bx,%si), %eax
i_67_bp_d16:    movl 0x1234(%bp), %eax
i_67_bx_d8:     movl 0x12(%bx), %eax
i_67_d16:       movl (0x1234), %ecx
i_67_moffs:     addr16 movl 0x1234, %eax
i_66_67:        movw 0x12(%bx,%di), %ax
i_sib:          movl (%eax,%ebx,4), %ecx
i_sib_esp_d8:   movl 0x10(%esp), %eax
i_sib_nobase:   movl 0x12345678(,%ebx,2), %eax
i_sib_d32:      movl 0x1000(%ebp,%esi), %eax
i_moffs:        movl 0x12345678, %eax
i_disp32:       movl 0x12345678, %ecx
i_d8:           movl -8(%ebp), %eax
i_c7_mem:       movl $0x12345678, 0x10(%eax,%ecx,2)
i_81_sib:       addl $0x12345678, 0x12345678(%esp)
i_test_f6:      testb $0x12, (%eax)
i_not_f6:       notb (%eax)
i_test_f7:      testl $0x12345678, 4(%ecx)
i_neg_f7:       negl %eax
i_test_f7_66:   testw $0x1234, (%eax)
i_div_f7_sib:   divl 0x10(%esp,%eax,8)
i_inc_ff:       incl (%eax)
i_push_ff:      pushl 8(%ebp)
e_call_reg:     call *%eax
e_call_ptr:     call *0x12345678
e_jmp_ptr:      jmp *0x12345678
e_jmp_sib:      jmp *(%eax,%ebx,4)
e_ljmp_ind:     ljmp *(%eax)
e_jmp_seg_ptr:  jmp *%fs:0x12345678
i_cmove:        cmovel %ebx, %eax
i_movzx:        movzbl (%eax), %ecx
i_bswap:        bswap %eax
i_cpuid:        cpuid
i_rdtsc:        rdtsc
i_shld_ib:      shldl $3, %ebx, %eax
i_bt_ib:        btl $5, (%eax)
i_movups:       movups 0x10(%eax), %xmm0
i_pshufd:       pshufd $1, %xmm1, %xmm0
i_pshufb:       pshufb %xmm1, %xmm0
i_pshufb_mem:   pshufb 0x12345678(,%eax,4), %xmm0
i_crc32:        crc32l 4(%esi), %eax
i_palignr:      palignr $3, %xmm1, %xmm0
i_pextrb:       pextrb $1, %xmm0, 0x10(%eax)
i_setne:        setne 0x12(%ebx)
i_rep_movsd:    rep movsl
i_lock_inc:     lock incl (%ecx)
i_fs_mov:       movl %fs:0x18, %eax
i_fld:          fldl 8(%esp)
i_int3:         int3
i_int:          int $0x2e
e_ret:          ret
e_ret_n:        ret $8
e_retf:         lret
e_iret:         iret
i_call_fwd:     call t_fwd
i_jcc_short:    je t_back
i_jcc_near:     {disp32} jne t_fwd
i_jecxz:        jecxz t_back
i_loop:         loop t_back
e_jmp_short:    jmp t_back
e_jmp_near:     {disp32} jmp t_fwd
i_66_call:      data16 call t_fwd16
t_fwd16:
end_list:
        .skip 40, 0x90
t_fwd:          nop
t_back:         nop
